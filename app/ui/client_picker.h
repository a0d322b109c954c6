// The main window's client picker: the file picker titled "Select Email Client To
// Launch."; the chosen file becomes the e-mail client setting, a cancel leaves it. Its
// "Desktop's &Mail Program" button takes the desktop's default mail program instead.
#pragma once

class QWidget;

namespace halvex {

struct ProgramSettings;

// Runs the picker over `parent` and stores the choice in `settings.email_client`.
// True when a file was chosen.
bool run_client_picker(ProgramSettings& settings, QWidget* parent = nullptr);

}  // namespace halvex
