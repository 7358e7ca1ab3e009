#include "i18n/translate.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include <sys/stat.h>

namespace {

using i18n::Translate;

// Each test runs in a directory of its own holding (or not) a language file.
class TranslateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("brevane-translate-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
    i18n::SetTranslationSwitch(1);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  void WriteLanguage(const std::string& bytes) {
    std::ofstream(i18n::kLanguageFileName, std::ios::binary) << bytes;
  }

 private:
  std::filesystem::path previous_, dir_;
};

TEST_F(TranslateTest, MissingFileOrSwitchOffGivesTheKey) {
  EXPECT_EQ(Translate("Rescan"), "Rescan");
  WriteLanguage("Rescan=Suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Suchen");
  i18n::SetTranslationSwitch(0);
  EXPECT_EQ(Translate("Rescan"), "Rescan");
  i18n::SetTranslationSwitch(2);
  EXPECT_EQ(Translate("Rescan"), "Rescan");
}

TEST_F(TranslateTest, ValueDropsTheLastTwoBytesOfTheLine) {
  WriteLanguage("Search Completed!=Done\r\n");
  EXPECT_EQ(Translate("Search Completed!"), "Done");
  WriteLanguage("Search Completed!=Done\n");
  EXPECT_EQ(Translate("Search Completed!"), "Don");
  // The last line of a file without a line end loses two bytes all the same.
  WriteLanguage("Search Completed!=Done");
  EXPECT_EQ(Translate("Search Completed!"), "Do");
  WriteLanguage("Rescan=X\n");
  EXPECT_EQ(Translate("Rescan"), "Rescan");  // value empty once cut
}

TEST_F(TranslateTest, KeyIsEverythingBeforeTheFirstEquals) {
  WriteLanguage("Rescan =Suchen\r\nRescan=Nochmals\r\n");
  EXPECT_EQ(Translate("Rescan"), "Nochmals");  // the blank belongs to the first line's key
  EXPECT_EQ(Translate("Rescan "), "Suchen");
  WriteLanguage("a=b=c\r\n");
  EXPECT_EQ(Translate("a"), "b=c");
}

TEST_F(TranslateTest, FirstMatchWinsAndEmptyValueGivesTheKey) {
  WriteLanguage("Connect=Verbinden\r\nConnect=Anschliessen\r\n");
  EXPECT_EQ(Translate("Connect"), "Verbinden");
  WriteLanguage("Rescan=\r\nRescan=Suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Rescan");
}

TEST_F(TranslateTest, LineWithKeyButNoEqualsEndsTheSearch) {
  WriteLanguage("Press Rescan now\r\nRescan=Suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Rescan");
  // A line that only contains the key inside a longer key is passed over.
  WriteLanguage("Rescan all=Alle\r\nRescan=Suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Suchen");
}

TEST_F(TranslateTest, ByteOrderMarkBelongsToTheFirstKey) {
  WriteLanguage("\xEF\xBB\xBFRescan=Suchen\r\nConnect=Verbinden\r\n");
  EXPECT_EQ(Translate("Rescan"), "Rescan");
  EXPECT_EQ(Translate("Connect"), "Verbinden");
}

TEST_F(TranslateTest, ChineseKeysMatchTheirUtf8Bytes) {
  WriteLanguage("\xE9\x80\xA3\xE7\xB7\x9A\xE5\xA4\xB1\xE6\x95\x97=Connection failed\r\n");
  EXPECT_EQ(Translate("連線失敗"), "Connection failed");
  EXPECT_EQ(Translate("連線"), "連線");  // contained, but the line's key differs
}

TEST_F(TranslateTest, LongLinesAreReadInPiecesAndZeroBytesEndALine) {
  // 1023 bytes per piece: the key's line is the second piece of a long line.
  WriteLanguage(std::string(1023, 'x') + "Rescan=Suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Suchen");
  WriteLanguage(std::string("Rescan=Suc\0hen\r\n", 16));
  EXPECT_EQ(Translate("Rescan"), "S");  // line ends at the zero byte, then loses two bytes
}

TEST_F(TranslateTest, FileIsReadAfreshOnEveryCall) {
  WriteLanguage("Rescan=Suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Suchen");
  WriteLanguage("Rescan=Neu\r\n");
  EXPECT_EQ(Translate("Rescan"), "Neu");
  std::filesystem::remove(i18n::kLanguageFileName);
  EXPECT_EQ(Translate("Rescan"), "Rescan");
}

}  // namespace

namespace {

class TranslateFileTest : public TranslateTest {};

TEST_F(TranslateFileTest, OnlyARegularFileIsReadAndOnlyItsFirstMegabytes) {
  // A FIFO would block an open for reading; a link to /dev/zero never ends.
  ASSERT_EQ(::mkfifo(i18n::kLanguageFileName, 0600), 0);
  EXPECT_EQ(Translate("Rescan"), "Rescan");
  std::filesystem::remove(i18n::kLanguageFileName);
  std::filesystem::create_symlink("/dev/zero", i18n::kLanguageFileName);
  EXPECT_EQ(Translate("Rescan"), "Rescan");
  std::filesystem::remove(i18n::kLanguageFileName);

  // A key past the first 4 MiB is not looked at.
  std::string big = "Early=Früh\r\n";
  big += std::string(i18n::kMaxLanguageFileBytes, '#') + "\r\nLate=Spät\r\n";
  WriteLanguage(big);
  EXPECT_EQ(Translate("Early"), "Früh");
  EXPECT_EQ(Translate("Late"), "Late");
}

TEST_F(TranslateFileTest, AnEditTakesEffectAtTheNextText) {
  WriteLanguage("Rescan=Suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Suchen");
  EXPECT_EQ(Translate("Rescan"), "Suchen");  // answered from what was read
  WriteLanguage("Rescan=Neu suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Neu suchen");
  // Same size, another moment: read again.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  WriteLanguage("Rescan=Neu_suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Neu_suchen");
  std::filesystem::remove(i18n::kLanguageFileName);
  EXPECT_EQ(Translate("Rescan"), "Rescan");
}

}  // namespace

namespace {

// Sets an environment variable for one test, and restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(LocaleLanguage, TaiwanAndHongKongReadTraditionalChineseAndTheFirstSetVariableDecides) {
  ScopedEnv language("LANGUAGE", nullptr), all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr),
      lang("LANG", nullptr);
  EXPECT_EQ(i18n::LocaleLanguage(), "en");
  ::setenv("LANG", "zh_TW.UTF-8", 1);
  EXPECT_EQ(i18n::LocaleLanguage(), "zh-TW");
  ::setenv("LC_MESSAGES", "de_DE.UTF-8", 1);  // before LANG
  EXPECT_EQ(i18n::LocaleLanguage(), "en");
  ::setenv("LC_ALL", "zh_HK.UTF-8", 1);
  EXPECT_EQ(i18n::LocaleLanguage(), "zh-TW");
  ::setenv("LANGUAGE", "en_GB:zh_TW", 1);  // its first choice counts
  EXPECT_EQ(i18n::LocaleLanguage(), "en");
  ::setenv("LANGUAGE", "", 1);  // set but empty: the next decides
  EXPECT_EQ(i18n::LocaleLanguage(), "zh-TW");
  ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
  EXPECT_EQ(i18n::LocaleLanguage(), "en");
}

class FallbackTest : public TranslateTest {
 protected:
  ~FallbackTest() override { i18n::SetFallbackLanguageFile({}); }
};

TEST_F(FallbackTest, TheFileHereWinsOverTheInstalledOne) {
  const std::string installed = (std::filesystem::current_path() / "installed").string();
  std::ofstream(installed, std::ios::binary) << "Rescan=重新掃描\r\n";
  EXPECT_EQ(Translate("Rescan"), "Rescan");
  i18n::SetFallbackLanguageFile(installed);
  EXPECT_EQ(Translate("Rescan"), "重新掃描");
  WriteLanguage("Rescan=Suchen\r\n");
  EXPECT_EQ(Translate("Rescan"), "Suchen");
  std::filesystem::remove(i18n::kLanguageFileName);
  EXPECT_EQ(Translate("Rescan"), "重新掃描");
  i18n::SetFallbackLanguageFile(installed + ".missing");
  EXPECT_EQ(Translate("Rescan"), "Rescan");
}

}  // namespace
