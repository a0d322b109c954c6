// The demo's temporary folders, all under one new folder in the temporary directory:
// mailbox/ (served by the demo server), home/ (the application folder), config/ (the
// settings), data/ (the data home of anything else that asks).
#pragma once

#include <QString>

namespace halvex::demo {

struct DemoFolders {
  QString base;  // e.g. /tmp/halvex-demo-AbC123
  QString mailbox() const { return base + QStringLiteral("/mailbox"); }
  QString home() const { return base + QStringLiteral("/home/"); }
  QString config() const { return base + QStringLiteral("/config"); }
  QString data() const { return base + QStringLiteral("/data"); }
};

// Creates the folders; false (with a reason) when one cannot be created.
bool make_demo_folders(DemoFolders* folders, QString* error);

// Copies the built-in sample messages into `folder`; returns how many, -1 on failure.
int copy_sample_mailbox(const QString& folder);

// Points this process's (and its children's) application folder, settings and data homes
// into the demo's folders.
void use_demo_environment(const DemoFolders& folders);

// Number of message files left in the mailbox folder.
int count_messages(const QString& folder);

}  // namespace halvex::demo
