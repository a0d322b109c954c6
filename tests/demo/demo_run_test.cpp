// halvex --demo without a display, as a process: the status log holds the judgement of
// every sample, the demo server's folder keeps exactly the mail that is not spam, and the
// user's own application folder and settings file are left as they were.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <map>

namespace {

const QString kAccount = QStringLiteral("demo@example.org");

// What the sample mailbox is for: the messages that must go, by number.
const std::map<int, const char*> kSpam = {
    {2, "sender address"},  {4, "subject, other case"}, {6, "base64-encoded subject"},
    {9, "sender domain"},   {11, "recipient name"},     {14, "size"},
    {16, "Q-encoded subject"}, {18, "subject"},          {20, "sender name"},
    {22, "subject"},        {25, "sender subdomain"},   {27, "recipient name"},
    {29, "subject"},
};

const QStringList kSurvivors = {
    QStringLiteral("01-lunch.eml"),       QStringLiteral("03-minutes.eml"),
    QStringLiteral("05-garden.eml"),      QStringLiteral("07-bookclub.eml"),
    QStringLiteral("08-grandma.eml"),     QStringLiteral("10-bike.eml"),
    QStringLiteral("12-theatre.eml"),     QStringLiteral("13-lunch-re.eml"),
    QStringLiteral("15-figures.eml"),     QStringLiteral("17-dentist.eml"),
    QStringLiteral("19-bookclub-re.eml"), QStringLiteral("21-football.eml"),
    QStringLiteral("23-garden-re.eml"),   QStringLiteral("24-library.eml"),
    QStringLiteral("26-concert.eml"),     QStringLiteral("28-figures-re.eml"),
    QStringLiteral("30-bookclub-photos.eml"),
};

// Every file under `root` with its content, to compare before and after.
std::map<QString, QByteArray> snapshot(const QString& root) {
  std::map<QString, QByteArray> r;
  QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile f(path);
    r[path] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
  }
  return r;
}

void write_file(const QString& path, const QByteArray& data) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}

struct HomeCase {
  const char* name;
  bool halvex_home_set;  // the user keeps accounts in $HALVEX_HOME rather than the XDG place
  const char* argument;  // beside --demo
};

class DemoRun : public ::testing::TestWithParam<HomeCase> {};

TEST_P(DemoRun, FiltersTheSamplesAndLeavesTheUsersFilesAlone) {
  QTemporaryDir scratch;
  ASSERT_TRUE(scratch.isValid());
  const QString home = scratch.filePath(QStringLiteral("home"));
  const QString tmp = scratch.filePath(QStringLiteral("tmp"));
  const QString own_folder = GetParam().halvex_home_set
                                 ? home + QStringLiteral("/mail-filter/")
                                 : home + QStringLiteral("/.local/share/halvex/");
  // The user's own account and settings, which the demo must neither read nor change.
  write_file(own_folder + QStringLiteral("me@example.net.dat"), "\" \",\" \"\r\nnot really\r\n");
  write_file(home + QStringLiteral("/.config/Tarnell Halvex.ini"),
             "[Options]\nfilter_minutes=17\nserver_timeout=45\n");
  QDir().mkpath(tmp);
  const auto before = snapshot(home);

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "HALVEX_HOME", "VELMO_MAILFOLDERS",
                           "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
    env.remove(QLatin1String(name));
  env.insert(QStringLiteral("HOME"), home);
  env.insert(QStringLiteral("TMPDIR"), tmp);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  if (GetParam().halvex_home_set) {
    env.insert(QStringLiteral("HALVEX_HOME"), own_folder);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
  }
  QProcess halvex;
  halvex.setProcessEnvironment(env);
  QStringList arguments{QStringLiteral("--demo")};
  if (*GetParam().argument) arguments << QLatin1String(GetParam().argument);
  halvex.start(QStringLiteral(HALVEX_PROGRAM), arguments);
  ASSERT_TRUE(halvex.waitForFinished(60000)) << "halvex --demo did not end";
  const QString out = QString::fromUtf8(halvex.readAllStandardOutput());
  const QString err = QString::fromUtf8(halvex.readAllStandardError());
  EXPECT_EQ(halvex.exitCode(), 0) << qPrintable(out) << qPrintable(err);

  for (int n = 1; n <= 30; ++n) {
    const QString deleted = QStringLiteral("Message %1 of 30 in account: %2 marked for deletion.")
                                .arg(n)
                                .arg(kAccount);
    const QString processed = QStringLiteral("Processed %1 of 30 in account: %2").arg(n).arg(kAccount);
    const bool spam = kSpam.count(n) == 1;
    EXPECT_EQ(out.count(deleted), spam ? 1 : 0) << "message " << n << "\n" << qPrintable(out);
    EXPECT_EQ(out.count(QRegularExpression(QRegularExpression::escape(processed) + u'$',
                                           QRegularExpression::MultilineOption)),
              spam ? 0 : 1)
        << "message " << n;
  }
  EXPECT_TRUE(out.contains(QStringLiteral("Total emails in account '%1' = 30").arg(kAccount)));
  EXPECT_TRUE(out.contains(QStringLiteral(
      "Email Alert! rose.hill@example.net - demo@example.org - Call me when you can")));
  EXPECT_TRUE(out.contains(QStringLiteral("Demo done: 13 of 30 messages deleted on the server as "
                                          "spam, 17 kept.")))
      << qPrintable(out);

  // The server's folder: exactly the mail that is not spam.
  const QStringList bases = QDir(tmp).entryList({QStringLiteral("halvex-demo-*")}, QDir::Dirs);
  ASSERT_EQ(bases.size(), 1) << qPrintable(bases.join(u' '));
  const QString mailbox = tmp + u'/' + bases[0] + QStringLiteral("/mailbox");
  EXPECT_EQ(QDir(mailbox).entryList(QDir::Files, QDir::Name), kSurvivors);
  EXPECT_TRUE(out.contains(mailbox)) << "the summary names the mailbox folder";

  EXPECT_EQ(snapshot(home), before) << "the user's own files changed";
}

INSTANTIATE_TEST_SUITE_P(
    Demo, DemoRun,
    ::testing::Values(HomeCase{"xdg_defaults", false, ""},
                      HomeCase{"own_halvex_home", true, ""},
                      HomeCase{"terminal_asked_for", false, "--once"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DemoArguments, UnknownArgumentBesideDemoIsRefused) {
  QProcess halvex;
  halvex.start(QStringLiteral(HALVEX_PROGRAM), {QStringLiteral("--demo"), QStringLiteral("--fast")});
  ASSERT_TRUE(halvex.waitForFinished(20000));
  EXPECT_EQ(halvex.exitCode(), 2);
  EXPECT_TRUE(halvex.readAllStandardError().contains("unknown option --fast"));
}

}  // namespace
