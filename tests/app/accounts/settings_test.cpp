// The program settings: the store's file, defaults, the number reading and the
// settings boxes' entry checks.
#include "accounts/number_text.h"
#include "accounts/settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <limits>

namespace halvex {
namespace {

constexpr qint32 kMax = std::numeric_limits<qint32>::max();
constexpr qint32 kMin = std::numeric_limits<qint32>::min();

class SettingsStore : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(config_.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
  }

  QString file() const { return config_.path() + "/Tarnell Halvex.ini"; }

  void store(const QString& key, const QString& value) const {
    QSettings s(file(), QSettings::IniFormat);
    s.setValue("Options/" + key, value);
  }

  QVariant stored(const QString& key) const {
    return QSettings(file(), QSettings::IniFormat).value("Options/" + key);
  }

 private:
  QTemporaryDir config_;
};

TEST_F(SettingsStore, LivesInTheConfigFolder) { EXPECT_EQ(settings_file_path(), file()); }

TEST_F(SettingsStore, FirstStartGivesDefaultsAndSavingWritesThemAsText) {
  const ProgramSettings s = load_settings();
  EXPECT_EQ(s.filter_minutes, 5);
  EXPECT_EQ(s.server_timeout, 120);
  EXPECT_EQ(s.startup_minimized, 0);
  EXPECT_EQ(s.email_client, QString());
  EXPECT_FALSE(QFile::exists(file())) << "reading does not create the store";

  save_settings(s);
  EXPECT_EQ(stored("filter_minutes"), QVariant(QStringLiteral("5")));
  EXPECT_EQ(stored("server_timeout"), QVariant(QStringLiteral("120")));
  EXPECT_EQ(stored("startup_minimized"), QVariant(QStringLiteral("0")));
  EXPECT_EQ(stored("email_client"), QVariant(QString()));
}

TEST_F(SettingsStore, SavedValuesAreReadBack) {
  ProgramSettings s;
  s.filter_minutes = 17;
  s.server_timeout = 3600;
  s.startup_minimized = 1;
  s.email_client = QStringLiteral("/opt/mail client/bin/mail; rm -rf ~ \"x\" = [y]");
  save_settings(s);
  EXPECT_EQ(load_settings(), s);
  EXPECT_EQ(stored("server_timeout"), QVariant(QStringLiteral("3600")));
}

TEST_F(SettingsStore, StoredValuesAreUsedUnclamped) {
  store("filter_minutes", "0");
  store("server_timeout", "10");
  store("startup_minimized", "1");
  const ProgramSettings s = load_settings();
  EXPECT_EQ(s.filter_minutes, 0);
  EXPECT_EQ(s.server_timeout, 10);
  EXPECT_EQ(s.startup_minimized, 1);
}

TEST_F(SettingsStore, StoredValueThatIsNotANumberGivesTheDefault) {
  store("filter_minutes", "often");
  store("server_timeout", "");
  store("startup_minimized", "yes");
  const ProgramSettings s = load_settings();
  EXPECT_EQ(s.filter_minutes, 5);
  EXPECT_EQ(s.server_timeout, 120);
  EXPECT_EQ(s.startup_minimized, 0);
}

TEST_F(SettingsStore, StoredNumberWithTrailingTextIsItsLeadingNumber) {
  store("filter_minutes", " 7 minutes");
  EXPECT_EQ(load_settings().filter_minutes, 7);
}

struct NumberRow {
  const char* name;
  const char* text;
  std::optional<qint32> value;
};

class LeadingNumber : public testing::TestWithParam<NumberRow> {};

TEST_P(LeadingNumber, RoundsHalvesToEven) {
  EXPECT_EQ(leading_number(QString::fromLatin1(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LeadingNumber,
    testing::Values(NumberRow{"plain", "42", 42}, NumberRow{"blanks_first", "  \t42", 42},
                    NumberRow{"text_after", "1500 bytes", 1500},
                    NumberRow{"negative", "-3", -3}, NumberRow{"plus", "+8", 8},
                    NumberRow{"two_and_a_half", "2.5", 2},
                    NumberRow{"three_and_a_half", "3.5", 4},
                    NumberRow{"one_and_a_half", "1.5", 2},
                    NumberRow{"half", "0.5", 0}, NumberRow{"above_half", "2.51", 3},
                    NumberRow{"half_then_zeros", "2.5000", 2},
                    NumberRow{"half_then_digit", "2.50001", 3},
                    NumberRow{"below_half", "7.49999", 7},
                    NumberRow{"negative_half", "-2.5", -2},
                    NumberRow{"negative_three_and_a_half", "-3.5", -4},
                    NumberRow{"fraction_only", ".7", 1},
                    NumberRow{"point_after_digits", "9.", 9},
                    NumberRow{"largest", "2147483647", kMax},
                    NumberRow{"beyond_32_bits", "99999999999999999999", kMax},
                    NumberRow{"below_32_bits", "-99999999999999999999", kMin},
                    NumberRow{"largest_rounds_up", "2147483647.5", kMax},
                    NumberRow{"letters", "abc", std::nullopt},
                    NumberRow{"empty", "", std::nullopt},
                    NumberRow{"sign_only", "-", std::nullopt},
                    NumberRow{"point_only", ".", std::nullopt},
                    NumberRow{"blank_inside_sign", "- 5", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct EntryRow {
  const char* name;
  const char* text;
  qint32 value;
};

class FilterMinutesEntry : public testing::TestWithParam<EntryRow> {};

TEST_P(FilterMinutesEntry, HoldsTheBoxToOneToSixty) {
  EXPECT_EQ(filter_minutes_entry(QString::fromLatin1(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FilterMinutesEntry,
    testing::Values(EntryRow{"ninety", "90", 60}, EntryRow{"zero", "0", 1},
                    EntryRow{"letters", "soon", 1}, EntryRow{"empty", "", 1},
                    EntryRow{"two_and_a_half", "2.5", 2},
                    EntryRow{"three_and_a_half", "3.5", 4}, EntryRow{"sixty", "60", 60},
                    EntryRow{"negative", "-4", 1}, EntryRow{"huge", "1e99", 1},
                    EntryRow{"beyond_32_bits", "99999999999", 60}),
    [](const auto& info) { return std::string(info.param.name); });

class ServerTimeoutEntry : public testing::TestWithParam<EntryRow> {};

TEST_P(ServerTimeoutEntry, IsAtLeastThirty) {
  EXPECT_EQ(server_timeout_entry(QString::fromLatin1(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ServerTimeoutEntry,
    testing::Values(EntryRow{"ten", "10", 30}, EntryRow{"hour", "3600", 3600},
                    EntryRow{"empty", "", 30}, EntryRow{"thirty", "30", 30},
                    EntryRow{"beyond_32_bits", "99999999999", kMaxServerTimeout},
                    EntryRow{"negative_beyond_32_bits", "-99999999999", 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StartupMinimizedEntry, IsOneWhenTicked) {
  EXPECT_EQ(startup_minimized_entry(true), 1);
  EXPECT_EQ(startup_minimized_entry(false), 0);
}

}  // namespace
}  // namespace halvex
