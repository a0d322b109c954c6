// Every text the alert program shows, in one place.
#pragma once

namespace halvex::alert::texts {

inline constexpr char window_title[] = "Halvex Email Alert";
inline constexpr char heading[] = "Email Alert!";
inline constexpr char from_caption[] = "From:";
inline constexpr char account_caption[] = "At email account:";
inline constexpr char subject_caption[] = "Subject:";
inline constexpr char launch_button[] = "&Launch Email Client";
inline constexpr char close_button[] = "&Close";
inline constexpr char corrupt_command_line[] = "Corrupt command line!";

inline constexpr char remove_error_title[] = "Error!";
inline constexpr char remove_error[] = "Error removing lock file!";
inline constexpr char launch_error_title[] = "Halvex";
inline constexpr char launch_error[] = "Error Launching Email Client!";

}  // namespace halvex::alert::texts
