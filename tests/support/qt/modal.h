// Driving modal windows from a test: exec() blocks, so the action on the window is
// armed before the call that opens it.
#pragma once

#include <QWidget>
#include <functional>

namespace halvex::test {

// Runs `action` on the next modal window that becomes active (one other than
// `except`), polling every 20 ms for up to 5 s. If none appears in that time the test
// fails and every visible modal window is closed, so the blocked exec() returns.
void when_modal(std::function<void(QWidget*)> action, QWidget* except = nullptr);

}  // namespace halvex::test
