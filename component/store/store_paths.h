// Where the store lives and how a mailbox name or message identifier becomes a path.
// The root is $VELMO_MAILFOLDERS when set and not empty, else $XDG_DATA_HOME/velmo/MailFolders,
// else ~/.local/share/velmo/MailFolders; it is made absolute and kept without a trailing "/".
// A mailbox is "<root>/<name>" with the name as given ("/" reaches deeper folders), but a name
// that would leave the root or address the root itself is refused: absolute names, a ".."
// component, names with a NUL, and names made only of "." and empty components. Paths longer
// than the platform allows (PATH_MAX, or a component over NAME_MAX) are refused, never cut.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmo::store {

// The store root for the current environment; does not touch the disk.
std::string resolve_store_root();

// "<root>/<mailbox>", or nothing when the name is refused.
std::optional<std::string> mailbox_path(std::string_view root, std::string_view mailbox);

// "<mailbox path>/<base64 of id>.eml", or nothing when the mailbox is refused, the id holds a
// NUL, its encoded form holds "/" (it would reach a subfolder), or the path is too long.
std::optional<std::string> message_path(std::string_view root, std::string_view mailbox, std::string_view id);

// Whether the platform takes this path: shorter than PATH_MAX, every component within NAME_MAX.
bool path_fits_platform(std::string_view path);

}  // namespace velmo::store
