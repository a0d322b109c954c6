#include "demo_folders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace halvex::demo {

bool make_demo_folders(DemoFolders* folders, QString* error) {
  QTemporaryDir base(QDir::tempPath() + QStringLiteral("/halvex-demo-XXXXXX"));
  if (!base.isValid()) {
    *error = QStringLiteral("cannot create a temporary folder in ") + QDir::tempPath();
    return false;
  }
  base.setAutoRemove(false);  // left for the user to look at; the summary names it
  folders->base = base.path();
  for (const QString& f : {folders->mailbox(), folders->home(), folders->config(), folders->data()}) {
    if (!QDir().mkpath(f)) {
      *error = QStringLiteral("cannot create ") + f;
      return false;
    }
  }
  return true;
}

int copy_sample_mailbox(const QString& folder) {
  const QDir samples(QStringLiteral(":/demo/mailbox"));
  int copied = 0;
  for (const QString& name : samples.entryList(QDir::Files, QDir::Name)) {
    const QString target = folder + u'/' + name;
    if (!QFile::copy(samples.filePath(name), target)) return -1;
    // Resource files copy read-only; the server must be able to delete them.
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    ++copied;
  }
  return copied;
}

void use_demo_environment(const DemoFolders& folders) {
  qputenv("HALVEX_HOME", QFile::encodeName(folders.home()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(folders.config()));
  qputenv("XDG_DATA_HOME", QFile::encodeName(folders.data()));
  qputenv("VELMO_MAILFOLDERS", QFile::encodeName(folders.data() + QStringLiteral("/MailFolders")));
}

int count_messages(const QString& folder) {
  return static_cast<int>(QDir(folder).entryList(QDir::Files).size());
}

}  // namespace halvex::demo
