#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <functional>
#include <memory>

#include "cancel_request.h"
#include "click_label.h"
#include "directory_list.h"
#include "gauge.h"
#include "ini_file.h"
#include "message_service.h"
#include "setup_helpers.h"
#include "folder_chooser.h"
#include "directory_page.h"
#include "install_progress_window.h"
#include "welcome_page.h"
#include "setup_art.h"
#include "setup_test_support.h"
#include "wizard_test_support.h"
#include "installer_window.h"

namespace zel::setup {
namespace {

using testing::click;
using testing::exists;
using testing::ScriptedRunner;
using testing::TempDir;
using testing::writeFile;
using zel::iniRead;

constexpr auto kYes = MessageAnswer::kYes;
constexpr auto kNo = MessageAnswer::kNo;

// A path as the system writes it: the tests build theirs with '/', and Windows
// gives them back with '\\'.
std::string native(std::string path) {
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

// The same path as the folder list keeps it, '/' between the parts.
QString listPath(const std::string& path) { return QDir::fromNativeSeparators(QString::fromStdString(path)); }

// The drive the temporary directory is on, as the drive list names it.
std::string driveOf(const std::string& path) {
#ifdef _WIN32
  return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path.at(0))))) + ":";
#else
  (void)path;
  return "/";
#endif
}

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_.driveList = {drive_};
    std::filesystem::create_directories(start_);
    ASSERT_EQ(::chdir(start_.c_str()), 0);
  }

  // The fake machine (or another), the recorder answering the boxes and the scripted pages.
  SetupServices services() { return services(fake_); }
  SetupServices services(SetupPlatform& platform) { return {platform, recorder_, state_, runner_.modal()}; }

  std::vector<std::string> captions() const {
    std::vector<std::string> out;
    for (const Message& m : recorder_.shown) out.push_back(m.caption);
    return out;
  }
  void answer(std::vector<MessageAnswer> answers) { recorder_.answers = std::move(answers); }
  std::string at(const std::string& relative) const { return native(dir_ / relative); }

  TempDir dir_;
  std::string drive_ = driveOf(dir_.path());
  std::string start_ = at("medium");
  std::string win_ = at("win");
  std::string default_ = at("(주)Velmora/ZelRptViewer");
  testing::FakePlatform fake_{win_, default_};
  testing::CwdGuard cwd_;
  RecordingMessageService recorder_;
  SetupState state_;  // fresh for each test
  ScriptedRunner runner_;
};

#ifdef _WIN32
const std::string kRestartQuestion =
    "Zel-C 보고서 Viewer의 설치가 끝났습니다. 프로그램이 제대로 실행되려면\r"
    "윈도우를 재시작 하셔야 합니다. 재부팅을 하시겠습니까?";
#endif

// Welcome page --------------------------------------------------------------------

TEST_F(WizardTest, WelcomePageAsDesigned) {
  WelcomePage page(services());
  EXPECT_EQ(page.windowTitle(), QStringLiteral("환영합니다"));
  EXPECT_EQ(page.size(), QSize(397, 298));
  EXPECT_EQ(testing::buttonText(page, "nextButton"), QStringLiteral("다  음"));
  EXPECT_EQ(testing::buttonText(page, "cancelButton"), QStringLiteral("취  소"));
  EXPECT_EQ(testing::labelText(page, "productLabel"), QStringLiteral("ZEL/4.X 보고서 Viewer"));
  EXPECT_EQ(testing::labelText(page, "purposeLabel"), QStringLiteral("Install 하는 프로그램입니다."));
  EXPECT_EQ(testing::labelText(page, "helpLabel"), QStringLiteral("도움말을 참조하시기 바랍니다."));
  EXPECT_EQ(testing::labelText(page, "webSiteLink"), QString::fromLatin1(kMakerWebSite));
  auto* bold = page.findChild<QLabel*>(QStringLiteral("productLabel"));
  EXPECT_TRUE(bold->font().bold());
  EXPECT_EQ(bold->font().pixelSize(), 12);
  EXPECT_EQ(page.findChild<QWidget*>(QStringLiteral("pictureStrip"))->width(), 113);
}

TEST_F(WizardTest, WelcomeNextGoesOn) {
  WelcomePage page(services());
  page.show();
  EXPECT_FALSE(state_.welcomeNext);
  click(page, "nextButton");
  EXPECT_TRUE(state_.welcomeNext);
  EXPECT_FALSE(page.isVisible());
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(WizardTest, WelcomeCancelAsksAndYesEnds) {
  WelcomePage page(services());
  page.show();
  answer({kYes});
  click(page, "cancelButton");
  ASSERT_EQ(recorder_.shown.size(), 1u);
  const Message& m = recorder_.shown[0];
  EXPECT_EQ(m.caption, "확인");
  EXPECT_EQ(m.text, "프로그램설치를 종료하시겠습니까?");
  EXPECT_EQ(m.icon, MessageIcon::kQuestion);
  EXPECT_EQ(m.buttons, MessageButtons::kYesNo);
  EXPECT_FALSE(state_.welcomeNext);
  EXPECT_FALSE(page.isVisible());
}

TEST_F(WizardTest, WelcomeCancelNoStays) {
  WelcomePage page(services());
  page.show();
  answer({kNo});
  click(page, "cancelButton");
  EXPECT_TRUE(page.isVisible());
  EXPECT_FALSE(state_.welcomeNext);
}

TEST_F(WizardTest, WelcomeLinkOpensTheWebSite) {
  WelcomePage page(services());
  page.show();
  auto* link = page.findChild<ClickLabel*>(QStringLiteral("webSiteLink"));
  ASSERT_NE(link, nullptr);
  QTest::mouseClick(link, Qt::LeftButton);
  EXPECT_EQ(fake_.opened, std::vector<std::string>{kMakerWebSite});
}

// Directory page ------------------------------------------------------------------

TEST_F(WizardTest, DirectoryPageShowsTheDefault) {
  DirectoryPage page(services());
  page.show();
  EXPECT_EQ(page.windowTitle(), QStringLiteral("디렉토리설정"));
  EXPECT_EQ(page.size(), QSize(484, 344));
  // The whole path, or its middle elided where the label is too narrow for it.
  auto* path = page.findChild<QLabel*>(QStringLiteral("pathLabel"));
  EXPECT_EQ(path->toolTip(), QString::fromStdString(default_));
  EXPECT_EQ(path->text(), QFontMetrics(path->font()).elidedText(path->toolTip(), Qt::ElideMiddle, path->width()));
  EXPECT_EQ(testing::buttonText(page, "chooseButton"), QStringLiteral("경 로"));
  EXPECT_EQ(page.findChild<QWidget*>(QStringLiteral("pathFrame"))->size(), QSize(307, 22));
  EXPECT_EQ(state_.installPath, default_);
}

TEST_F(WizardTest, DirectoryPageWithDefaultPresentClosesAtOnce) {
  std::filesystem::create_directories(default_);
  DirectoryPage page(services());
  page.show();
  click(page, "nextButton");
  EXPECT_TRUE(state_.dirSetNext);
  EXPECT_FALSE(page.isVisible());
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(WizardTest, DirectoryPageWithDefaultMissingAndNoStays) {
  DirectoryPage page(services());
  page.show();
  answer({kNo});
  click(page, "nextButton");
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].caption, "확인");
  EXPECT_EQ(recorder_.shown[0].text, "경로가 존재하지 않습니다. 새로 만드시겠습니까?\r" + default_);
  EXPECT_EQ(recorder_.shown[0].icon, MessageIcon::kQuestion);
  EXPECT_TRUE(page.isVisible());
  EXPECT_FALSE(state_.dirSetNext);
  EXPECT_FALSE(exists(at("(주)Velmora")));
}

TEST_F(WizardTest, DirectoryPageWithDefaultMissingAndYesCreatesIt) {
  DirectoryPage page(services());
  page.show();
  answer({kYes});
  click(page, "nextButton");
  EXPECT_TRUE(directoryExists(default_));
  EXPECT_TRUE(state_.dirSetNext);
  EXPECT_FALSE(page.isVisible());
}

TEST_F(WizardTest, DirectoryPageCreationFailureShowsBothErrors) {
  writeFile(at("(주)Velmora"), "a file where a directory should go");
  DirectoryPage page(services());
  page.show();
  answer({kYes});
  click(page, "nextButton");
  EXPECT_EQ(captions(), (std::vector<std::string>{"확인", "오류", "오류"}));
  EXPECT_EQ(recorder_.shown[2].text, "경로를 만들 수 없습니다.");
  EXPECT_TRUE(page.isVisible());
  EXPECT_FALSE(state_.dirSetNext);
}

TEST_F(WizardTest, DirectoryPageCancelIsAnInformationQuestion) {
  DirectoryPage page(services());
  page.show();
  answer({kNo, kYes});
  click(page, "cancelButton");
  EXPECT_TRUE(page.isVisible());
  click(page, "cancelButton");
  ASSERT_EQ(recorder_.shown.size(), 2u);
  EXPECT_EQ(recorder_.shown[1].caption, "확인");
  EXPECT_EQ(recorder_.shown[1].text, "프로그램설치를 종료하시겠습니까?");
  EXPECT_EQ(recorder_.shown[1].icon, MessageIcon::kInformation);
  EXPECT_EQ(recorder_.shown[1].buttons, MessageButtons::kYesNo);
  EXPECT_FALSE(state_.dirSetNext);
  EXPECT_FALSE(page.isVisible());
}

void chooseFolder(QDialog& chooser, const std::string& folder) {
  auto* edit = chooser.findChild<QLineEdit*>(QStringLiteral("pathEdit"));
  edit->setText(QString::fromStdString(folder));
  click(chooser, "okButton");
}

TEST_F(WizardTest, FolderAcceptedInTheChooserIsNotTestedAgain) {
  const std::string chosen = at("chosen");
  std::filesystem::create_directories(chosen);
  DirectoryPage page(services());
  page.show();
  runner_.then([&](QDialog& chooser) {
    EXPECT_EQ(chooser.findChild<QLineEdit*>(QStringLiteral("pathEdit"))->text(), QString::fromStdString(default_));
    chooseFolder(chooser, chosen);
  });
  click(page, "chooseButton");
  EXPECT_EQ(runner_.shown, std::vector<QString>{QStringLiteral("FM_DirSelect")});
  EXPECT_EQ(testing::labelText(page, "pathLabel"), QString::fromStdString(chosen));
  std::filesystem::remove(chosen);
  click(page, "nextButton");
  EXPECT_TRUE(recorder_.shown.empty());
  EXPECT_TRUE(state_.dirSetNext);
  EXPECT_EQ(state_.installPath, chosen);
}

TEST_F(WizardTest, ReopeningAndCancellingTheChooserTestsTheFolderAgain) {
  const std::string chosen = at("chosen");
  std::filesystem::create_directories(chosen);
  DirectoryPage page(services());
  page.show();
  runner_.then([&](QDialog& chooser) { chooseFolder(chooser, chosen); });
  runner_.then([&](QDialog& chooser) { click(chooser, "cancelButton"); });
  click(page, "chooseButton");
  click(page, "chooseButton");
  EXPECT_FALSE(state_.dirSelected);
  EXPECT_EQ(state_.installPath, chosen);
  click(page, "nextButton");  // it exists: closes without a question
  EXPECT_TRUE(recorder_.shown.empty());
  EXPECT_TRUE(state_.dirSetNext);
}

// Folder chooser ------------------------------------------------------------------

class ChooserTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    state_.installPath = default_;
  }
  QLineEdit* edit(QWidget& w) { return w.findChild<QLineEdit*>(QStringLiteral("pathEdit")); }
};

TEST_F(ChooserTest, AsDesigned) {
  FolderChooser chooser(services());
  chooser.show();
  EXPECT_EQ(chooser.windowTitle(), QStringLiteral("경로선택"));
  EXPECT_EQ(chooser.size(), QSize(294, 284));
  EXPECT_EQ(testing::buttonText(chooser, "okButton"), QStringLiteral("선   택"));
  EXPECT_EQ(edit(chooser)->text(), QString::fromStdString(default_));
  EXPECT_EQ(edit(chooser)->width(), 202);
  EXPECT_EQ(chooser.findChild<QWidget*>(QStringLiteral("directoryList"))->size(), QSize(185, 169));
  EXPECT_EQ(chooser.focusWidget(), edit(chooser));
}

TEST_F(ChooserTest, BlankPathGivesTheWarningOnly) {
  FolderChooser chooser(services());
  chooser.show();
  edit(chooser)->setText(QStringLiteral("   "));
  click(chooser, "okButton");
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].caption, "경고");
  EXPECT_EQ(recorder_.shown[0].text, "경로를 입력하십시요.");
  EXPECT_EQ(recorder_.shown[0].icon, MessageIcon::kWarning);
  EXPECT_TRUE(chooser.isVisible());
  EXPECT_FALSE(state_.dirSelected);
}

class ProductFolderTest : public ChooserTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProductFolderTest, IsRefused) {
  const std::string product = at("ZEL");
  writeFile(product + "/" + GetParam(), "x");
  FolderChooser chooser(services());
  chooser.show();
  edit(chooser)->setText(QString::fromStdString(product));
  click(chooser, "okButton");
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].caption, "오류");
  EXPECT_EQ(recorder_.shown[0].text, "ZEL의 경로에는 본 프로그램을 설치할 수 없습니다.");
  EXPECT_TRUE(chooser.isVisible());
  EXPECT_FALSE(state_.dirSelected);
  EXPECT_EQ(state_.installPath, default_);
}

INSTANTIATE_TEST_SUITE_P(Markers, ProductFolderTest, ::testing::Values("ZEL-C.BAT", "ZELMAIN.EXE", "zelmain.exe"));

TEST_F(ChooserTest, PlainFolderIsAcceptedWithoutAQuestion) {
  const std::string plain = at("plain");
  writeFile(plain + "/ZELRPT.EXE", "not a marker");
  FolderChooser chooser(services());
  chooser.show();
  edit(chooser)->setText(QString::fromStdString(plain));
  click(chooser, "okButton");
  EXPECT_TRUE(recorder_.shown.empty());
  EXPECT_TRUE(state_.dirSelected);
  EXPECT_EQ(state_.installPath, plain);
  EXPECT_FALSE(chooser.isVisible());
}

TEST_F(ChooserTest, MissingFolderIsCreatedOnYes) {
  const std::string fresh = at("new/folder");
  FolderChooser chooser(services());
  chooser.show();
  edit(chooser)->setText(QString::fromStdString(fresh));
  answer({kYes});
  click(chooser, "okButton");
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "경로가 존재하지 않습니다. 새로 만드시겠습니까?\r" + fresh);
  EXPECT_TRUE(directoryExists(fresh));
  EXPECT_TRUE(state_.dirSelected);
  EXPECT_EQ(state_.installPath, fresh);
}

TEST_F(ChooserTest, RelativePathIsMadeAbsoluteWhereTheListIs) {
  std::filesystem::create_directories(at("listed"));
  ASSERT_EQ(fake_.setCurrentDirectory(at("listed")), 0);  // where the list was moved to
  FolderChooser chooser(services());
  chooser.show();
  edit(chooser)->setText(QStringLiteral("sub/../rel"));
  answer({kYes});
  click(chooser, "okButton");
  EXPECT_EQ(state_.installPath, at("listed/rel"));
  EXPECT_TRUE(directoryExists(at("listed/rel")));
  EXPECT_FALSE(exists(start_ + "/rel"));
}

TEST_F(WizardTest, DirectoryPageShowsTheAcceptedPathAbsolute) {
  std::filesystem::create_directories(at("listed/rel"));
  DirectoryPage page(services());
  page.show();
  runner_.then([&](QDialog& chooser) {
    ASSERT_EQ(fake_.setCurrentDirectory(at("listed")), 0);
    chooser.findChild<QLineEdit*>(QStringLiteral("pathEdit"))->setText(QStringLiteral("rel"));
    click(chooser, "okButton");
  });
  click(page, "chooseButton");
  EXPECT_EQ(state_.installPath, at("listed/rel"));
  EXPECT_EQ(testing::labelText(page, "pathLabel"), QString::fromStdString(at("listed/rel")));
}

TEST_F(ChooserTest, MissingFolderAndNoStays) {
  FolderChooser chooser(services());
  chooser.show();
  edit(chooser)->setText(QString::fromStdString(at("new")));
  answer({kNo});
  click(chooser, "okButton");
  EXPECT_FALSE(exists(at("new")));
  EXPECT_TRUE(chooser.isVisible());
  EXPECT_FALSE(state_.dirSelected);
}

TEST_F(ChooserTest, EnterOnAHighlightedFolderOpensIt) {
  std::filesystem::create_directories(start_ + "/sub folder");
  FolderChooser chooser(services());
  chooser.show();
  auto* list = chooser.findChild<DirectoryList*>(QStringLiteral("directoryList"));
  ASSERT_NE(list, nullptr);
  int row = -1;
  for (int i = 0; i < list->count(); ++i)
    if (list->rowPath(i) == listPath(start_ + "/sub folder")) row = i;
  ASSERT_GE(row, 0);
  list->setCurrentRow(row);
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(list->directory(), listPath(start_ + "/sub folder"));
  EXPECT_EQ(edit(chooser)->text(), QString::fromStdString(native(start_ + "/sub folder")));
  EXPECT_TRUE(chooser.isVisible());
  EXPECT_FALSE(state_.dirSelected);
  // Enter again, on the folder now shown, accepts it.
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_TRUE(state_.dirSelected);
  EXPECT_EQ(state_.installPath, native(start_ + "/sub folder"));
}

TEST_F(ChooserTest, EnterInTheListsAccepts) {
  for (const char* list : {"directoryList", "driveBox", "pathEdit"}) {
    state_.dirSelected = false;
    FolderChooser chooser(services());
    chooser.show();
    edit(chooser)->setText(QString::fromStdString(start_));
    QTest::keyClick(chooser.findChild<QWidget*>(QString::fromLatin1(list)), Qt::Key_Return);
    EXPECT_TRUE(state_.dirSelected) << list;
    EXPECT_EQ(state_.installPath, start_);
  }
}

TEST_F(ChooserTest, DirectoryListFollowsAndMovesTheCurrentDirectory) {
  std::filesystem::create_directories(start_ + "/sub");
  FolderChooser chooser(services());
  chooser.show();
  auto* list = chooser.findChild<DirectoryList*>(QStringLiteral("directoryList"));
  EXPECT_EQ(list->directory(), listPath(start_));
  EXPECT_EQ(edit(chooser)->text(), QString::fromStdString(default_));  // untouched so far
  const int last = list->count() - 1;
  ASSERT_EQ(list->rowPath(last), listPath(start_ + "/sub"));
  list->openRow(last);
  EXPECT_EQ(edit(chooser)->text(), QString::fromStdString(native(start_ + "/sub")));
  EXPECT_EQ(fake_.currentDirectory(), native(start_ + "/sub"));
  list->openRow(0);  // the root row: the drive's root on Windows
  EXPECT_EQ(list->item(0)->text(), QString::fromStdString(native(drive_ == "/" ? "/" : drive_ + "/")));
  EXPECT_EQ(edit(chooser)->text(), QString::fromStdString(native(drive_ == "/" ? "/" : drive_ + "/")));
}

TEST_F(ChooserTest, DriveNotReadyShowsTheMessageAndGoesBack) {
  fake_.driveList = {drive_, "a:"};
  fake_.notReady = {"a:"};
  FolderChooser chooser(services());
  chooser.show();
  auto* drives = chooser.findChild<QComboBox*>(QStringLiteral("driveBox"));
  ASSERT_EQ(drives->currentText(), QString::fromStdString(drive_));
  drives->setCurrentIndex(1);
  emit drives->activated(1);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].caption, "드라이브 변경오류");
  EXPECT_EQ(recorder_.shown[0].text, "A:\\ 드라이브가 준비되어있지 않습니다.");
  EXPECT_EQ(recorder_.shown[0].icon, MessageIcon::kNone);
  EXPECT_EQ(recorder_.shown[0].buttons, MessageButtons::kOk);
  EXPECT_EQ(drives->currentText(), QString::fromStdString(drive_));
  EXPECT_EQ(edit(chooser)->text(), QString::fromStdString(default_));
  EXPECT_TRUE(state_.driveNotReady);
}

TEST_F(ChooserTest, EntryWithoutADriveIsReportedAndAbandoned) {
  fake_.driveList = {drive_, "?"};
  FolderChooser chooser(services());
  chooser.show();
  auto* drives = chooser.findChild<QComboBox*>(QStringLiteral("driveBox"));
  drives->setCurrentIndex(1);
  emit drives->activated(1);
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_EQ(recorder_.shown[0].text, "Not a valid drive ID");
  EXPECT_EQ(drives->currentText(), QString::fromStdString(drive_));
}

TEST_F(ChooserTest, ReadyDriveMovesTheDirectoryList) {
  FolderChooser chooser(services());
  chooser.show();
  auto* list = chooser.findChild<DirectoryList*>(QStringLiteral("directoryList"));
  fake_.driveList = {drive_};
  auto* drives = chooser.findChild<QComboBox*>(QStringLiteral("driveBox"));
  drives->addItem(QString::fromStdString(dir_.path()));  // a second "drive": the temp tree
  drives->setCurrentIndex(1);
  emit drives->activated(1);
  EXPECT_TRUE(recorder_.shown.empty());
  EXPECT_EQ(list->directory(), listPath(dir_.path()));
}

// Gauges and the progress window -----------------------------------------------------

TEST(GaugeTest, ShareIsTheWholeNumberPart) {
  struct Case {
    int min, max, value, share;
  };
  for (const Case c : {Case{0, 10, 0, 0}, Case{0, 10, 10, 100}, Case{0, 100, 33, 33}, Case{0, 3, 1, 33},
                       Case{0, 3, 2, 66}, Case{10, 20, 15, 50}, Case{5, 5, 5, 0}, Case{0, 100, 100, 100}}) {
    EXPECT_EQ(gaugeShare(c.min, c.max, c.value), c.share) << c.min << ".." << c.max << " " << c.value;
  }
  EXPECT_EQ(gaugeText(0, 3, 2), QStringLiteral("66%"));
}

TEST_F(WizardTest, ProgressWindowAsDesigned) {
  InstallProgressWindow window;
  window.show();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("설치"));
  EXPECT_EQ(window.size(), QSize(448, 141));
  EXPECT_EQ(testing::buttonText(window, "cancelButton"), QStringLiteral("취  소"));
  EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(window.currentGauge->size(), QSize(363, 25));
  window.setTotal(0, 10, 0);
  window.setCurrent(0, 100, 40);
  EXPECT_EQ(window.totalGauge->text(), QStringLiteral("0%"));
  EXPECT_EQ(window.currentGauge->text(), QStringLiteral("40%"));
  window.setTotal(0, 10, 10);
  EXPECT_EQ(window.totalGauge->text(), QStringLiteral("100%"));
  window.currentGauge->grab();  // paints without trouble
}

// The driver ------------------------------------------------------------------------

class DriverTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
#ifdef _WIN32
    // Every Windows directory holds a WIN.INI; without one setup says it runs
    // on the NT family (WindowsDirectoryWithoutWinIniGetsTheNotice).
    writeFile(win_ + "\\WIN.INI", "[intl]\r\n");
#endif
  }
  void makeArchive() {
    const std::string stage = at("stage");
    for (const char* name : kEngineLibraries) writeFile(stage + "/" + name, name);
    writeFile(stage + "/README.TXT", "readme");
    ASSERT_TRUE(testing::zipDirectory(stage, start_ + "/ZELRPT.E01"));
  }
  void goThroughThePages() {
    runner_.then([](QDialog& d) { click(d, "nextButton"); });
    runner_.then([](QDialog& d) { click(d, "nextButton"); });
  }
};

TEST_F(DriverTest, MainWindowAsDesigned) {
  InstallerWindow window(services());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Zel-C 보고서 Viewer"));
  EXPECT_EQ(window.palette().color(QPalette::Window), QColor(0, 128, 128));
  EXPECT_EQ(state_.startDir, start_);
  EXPECT_FALSE(state_.started);
}

// Nothing here needs a restart: the last question says where the viewer went
// and offers to start it. No starts nothing.
TEST_F(DriverTest, FullInstallationAndNoToStartingTheViewer) {
  makeArchive();
  goThroughThePages();
  answer({kYes, kNo});  // create the directory; do not start the viewer
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(runner_.shown, (std::vector<QString>{QStringLiteral("FM_Welcome"), QStringLiteral("FM_DirSet")}));
  EXPECT_EQ(captions(), (std::vector<std::string>{"확인", "종료"}));
  const Message& done = recorder_.shown.back();
#ifdef _WIN32
  EXPECT_EQ(done.text, kRestartQuestion);
#else
  EXPECT_EQ(done.text,
            "Zel-C 보고서 Viewer의 설치가 끝났습니다.\r설치한 곳: " + default_ + "\r\r지금 Viewer를 실행하시겠습니까?");
  EXPECT_EQ(done.text.find("재부팅"), std::string::npos);
#endif
  EXPECT_EQ(done.buttons, MessageButtons::kYesNo);
  EXPECT_EQ(testing::readFile(default_ + "/README.TXT"), "readme");
  for (const char* name : kEngineLibraries) {
    EXPECT_TRUE(exists(win_ + "/" + name)) << name;
    EXPECT_FALSE(exists(default_ + "/" + name)) << name;
  }
  EXPECT_EQ(fake_.currentDirectory(), default_);
  EXPECT_EQ(fake_.restarts, 0);
  EXPECT_TRUE(fake_.started.empty());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.progressWindow(), nullptr);
  EXPECT_EQ(window.exitCode(), 0);
}

// Yes (the default, which Enter takes) starts the viewer and never the restart.
#ifdef _WIN32
// On Windows the engine went into the Windows directory: the last question is
// the restart, and Yes restarts (the fake platform records it).
TEST_F(DriverTest, YesToTheRestartQuestionRestartsAndStartsNothing) {
  makeArchive();
  std::filesystem::create_directories(default_);
  writeFile(win_ + "\\WIN.INI", "[intl]\r\nsLanguage=kor\r\n");
  goThroughThePages();
  answer({kYes});
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), std::vector<std::string>{"종료"});
  EXPECT_EQ(recorder_.shown.back().text, kRestartQuestion);
  EXPECT_EQ(fake_.restarts, 1);
  EXPECT_TRUE(fake_.started.empty());
  EXPECT_EQ(iniRead(win_ + "\\WIN.INI", "intl", "sLanguage"), "eng");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.exitCode(), 0);
}

TEST_F(DriverTest, RefusedRestartIsReported) {
  makeArchive();
  std::filesystem::create_directories(default_);
  goThroughThePages();
  fake_.restartAccepted = false;
  answer({kYes});
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(fake_.restarts, 1);
  EXPECT_EQ(captions(), (std::vector<std::string>{"종료", "알림"}));
  EXPECT_EQ(recorder_.shown.back().text, "시스템이 재시작을 거부했습니다. 직접 재시작 하십시오.");
  EXPECT_EQ(window.exitCode(), 0);  // installed all the same
}

TEST_F(DriverTest, WindowsDirectoryWithoutWinIniGetsTheNotice) {
  makeArchive();
  std::filesystem::create_directories(default_);
  std::filesystem::remove(win_ + "\\WIN.INI");
  goThroughThePages();
  answer({MessageAnswer::kOk, kNo});
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), (std::vector<std::string>{"알림", "종료"}));
  EXPECT_EQ(recorder_.shown[0].text, "본 프로그램은 Windows NT계열에서는 동작하지 않습니다.");
  EXPECT_EQ(recorder_.shown[0].icon, MessageIcon::kWarning);
  EXPECT_FALSE(exists(win_ + "\\WIN.INI"));  // none is made
  EXPECT_TRUE(exists(default_ + "\\README.TXT"));  // the notice stops nothing
  EXPECT_EQ(window.exitCode(), 0);
}
#else
TEST_F(DriverTest, YesToTheCompletionQuestionStartsTheViewerAndNeverRestarts) {
  makeArchive();
  std::filesystem::create_directories(default_);
  writeFile(win_ + "/WIN.INI", "[intl]\r\nsLanguage=kor\r\n");
  goThroughThePages();
  answer({kYes});
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), std::vector<std::string>{"종료"});
  EXPECT_EQ(fake_.restarts, 0);
  EXPECT_EQ(fake_.started, std::vector<std::string>{default_ + "/ZelRpt in " + default_});
  EXPECT_EQ(iniRead(win_ + "/WIN.INI", "intl", "sLanguage"), "eng");
}
#endif

TEST_F(DriverTest, ViewerThatCannotStartIsReported) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows asks for a restart instead of offering to start the viewer";
#endif
  makeArchive();
  std::filesystem::create_directories(default_);
  goThroughThePages();
  fake_.startAccepted = false;
  answer({kYes});
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(fake_.restarts, 0);
  EXPECT_EQ(captions(), (std::vector<std::string>{"종료", "오류"}));
  EXPECT_EQ(recorder_.shown.back().text, "Viewer를 실행할 수 없습니다.\r" + default_ + "/ZelRpt");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.exitCode(), 0);  // installed all the same
}

// A second setup proposes the directory of the first and says it replaced it.
TEST_F(DriverTest, ExistingInstallationIsProposedAndReplaced) {
#ifdef _WIN32
  GTEST_SKIP() << "setup on Windows keeps no record of the last installation (it has no user data directory there)";
#endif
  makeArchive();
  const std::string elsewhere = at("my viewer");
  std::filesystem::create_directories(elsewhere);
  fake_.dataHome = at("data");
  {
    // The first setup installed elsewhere than this one's default.
    testing::FakePlatform firstPlatform(win_, elsewhere);
    firstPlatform.dataHome = fake_.dataHome;
    goThroughThePages();
    answer({kNo});
    InstallerWindow first(services(firstPlatform));
    first.show();
    testing::moveMouseOver(first.startArea);
  }
  ASSERT_TRUE(exists(elsewhere + "/README.TXT"));
  EXPECT_EQ(recorder_.shown.back().text.find("이전에 설치한"), std::string::npos);

  state_ = SetupState{};
  recorder_.shown.clear();
  ASSERT_EQ(::chdir(start_.c_str()), 0);  // started from the medium again
  std::string proposed;
  runner_.then([](QDialog& d) { click(d, "nextButton"); });
  runner_.then([&](QDialog& d) {
    proposed = testing::labelText(d, "pathLabel").toStdString();
    click(d, "nextButton");
  });
  answer({kNo});
  InstallerWindow second(services());
  second.show();
  testing::moveMouseOver(second.startArea);
  EXPECT_EQ(proposed, elsewhere);
  ASSERT_EQ(captions(), std::vector<std::string>{"종료"});
  EXPECT_NE(recorder_.shown.back().text.find("이전에 설치한 Viewer를 새로 바꾸었습니다."), std::string::npos)
      << recorder_.shown.back().text;
  EXPECT_NE(recorder_.shown.back().text.find(elsewhere), std::string::npos);
}

// Runs the action once, from the events the installation's progress lets
// through, as soon as the unpacking is under way.
class DuringTheInstall {
 public:
  explicit DuringTheInstall(std::function<void(InstallProgressWindow&)> action) : action_(std::move(action)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* progress = qobject_cast<InstallProgressWindow*>(w);
        if (!progress || !progress->isVisible() || progress->currentGauge->text() == QStringLiteral("0%")) continue;
        timer_.stop();
        action_(*progress);
        return;
      }
    });
    timer_.start();
  }

 private:
  QTimer timer_;
  std::function<void(InstallProgressWindow&)> action_;
};

class DriverStopTest : public DriverTest {
 protected:
  void makeLargerArchive() {
    const std::string stage = at("stage");
    for (const char* name : kEngineLibraries) writeFile(stage + "/" + name, name);
    for (int i = 0; i < 20; ++i)
      writeFile(stage + "/samples/P" + std::to_string(100 + i) + ".dbf", std::string(4000, 'x'));
    writeFile(stage + "/README.TXT", "readme");
    ASSERT_TRUE(testing::zipDirectory(stage, start_ + "/ZELRPT.E01"));
  }
  void expectNothingLeft() {
    EXPECT_FALSE(exists(at("(주)Velmora"))) << "made by the wizard, so it goes too";
#ifdef _WIN32
    for (const char* name : kEngineLibraries) EXPECT_FALSE(exists(win_ + "\\" + name)) << name;
#else
    EXPECT_FALSE(exists(win_));
#endif
  }
};

TEST_F(DriverStopTest, CancelButtonAsksThenTakesEverythingBack) {
  makeLargerArchive();
  goThroughThePages();
  answer({kYes, kYes, MessageAnswer::kOk});  // create the directory; yes, cancel
  DuringTheInstall cancel([](InstallProgressWindow& p) { p.cancelButton->click(); });
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), (std::vector<std::string>{"확인", "확인", "알림"}));
  EXPECT_EQ(recorder_.shown[1].text, "설치를 취소하시겠습니까?\r지금까지 설치한 파일은 모두 되돌립니다.");
  EXPECT_EQ(recorder_.shown[2].text, "설치를 취소했습니다. 설치하던 파일은 모두 되돌렸습니다.");
  expectNothingLeft();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.exitCode(), 1);
}

TEST_F(DriverStopTest, NoToTheCancelQuestionFinishesTheInstall) {
  makeLargerArchive();
  std::filesystem::create_directories(default_);
  goThroughThePages();
  answer({kNo, kNo});  // do not cancel; do not start the viewer
  DuringTheInstall cancel([](InstallProgressWindow& p) { p.cancelButton->click(); });
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), (std::vector<std::string>{"확인", "종료"}));
  EXPECT_TRUE(exists(default_ + "/README.TXT"));
  EXPECT_EQ(window.exitCode(), 0);
}

// The close box of the main window during the install asks the same question.
TEST_F(DriverStopTest, ClosingTheMainWindowAsksTheCancelQuestion) {
  makeLargerArchive();
  goThroughThePages();
  answer({kYes, kYes, MessageAnswer::kOk});
  InstallerWindow window(services());
  DuringTheInstall close([&window](InstallProgressWindow&) { window.close(); });
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), (std::vector<std::string>{"확인", "확인", "알림"}));
  EXPECT_EQ(recorder_.shown[1].text, "설치를 취소하시겠습니까?\r지금까지 설치한 파일은 모두 되돌립니다.");
  expectNothingLeft();
  EXPECT_EQ(window.exitCode(), 1);
}

class DriverSignalTest : public DriverStopTest, public ::testing::WithParamInterface<int> {};

TEST_P(DriverSignalTest, TakesEverythingBackAndEndsByTheSignal) {
  makeLargerArchive();
  goThroughThePages();
  answer({kYes});
  DuringTheInstall signal([](InstallProgressWindow&) { ::raise(GetParam()); });
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), std::vector<std::string>{"확인"});  // no question, no restart
  expectNothingLeft();
  EXPECT_EQ(window.exitSignal(), GetParam());
  EXPECT_FALSE(window.isVisible());
  clearCaughtSignal();
}

INSTANTIATE_TEST_SUITE_P(Signals, DriverSignalTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return info.param == SIGINT ? "Interrupt" : "Terminate"; });

// Records whether the progress window kept itself on top while each box was up.
class OnTopRecorder : public RecordingMessageService {
 public:
  MessageAnswer show(const Message& message) override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<InstallProgressWindow*>(w); p && p->isVisible())
        progressOnTop.push_back(p->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    return RecordingMessageService::show(message);
  }
  std::vector<bool> progressOnTop;
};

TEST_F(DriverTest, BoxesDuringTheInstallStandAboveTheProgressWindow) {
  std::filesystem::create_directories(default_);
  writeFile(start_ + "/ZELRPT.E01", "PK\x03\x04 but nothing more");
  goThroughThePages();
  OnTopRecorder onTop;
  InstallerWindow window(SetupServices{fake_, onTop, state_, runner_.modal()});
  window.show();
  testing::moveMouseOver(window.startArea);
  ASSERT_EQ(onTop.shown.size(), 1u);
  EXPECT_EQ(onTop.progressOnTop, std::vector<bool>{false});
  ASSERT_NE(window.progressWindow(), nullptr);
  EXPECT_TRUE(window.progressWindow()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));  // back on top after
}

// A directory the wizard made for an installation that then failed goes again.
TEST_F(DriverTest, DirectoryMadeByTheWizardGoesWhenTheInstallFails) {
  goThroughThePages();
  answer({kYes});  // create the directory; then the archive is missing
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), (std::vector<std::string>{"확인", "오류"}));
  EXPECT_FALSE(exists(at("(주)Velmora")));
  EXPECT_EQ(window.exitCode(), 1);
}

TEST_F(DriverTest, AKeyStartsTheWizardAsTheMouseDoes) {
  InstallerWindow window(services());
  window.show();
  QTest::keyClick(&window, Qt::Key_Shift);  // a modifier alone starts nothing
  EXPECT_FALSE(state_.started);
  QTest::keyClick(&window, Qt::Key_Space);
  EXPECT_TRUE(state_.started);
  EXPECT_EQ(runner_.shown, std::vector<QString>{QStringLiteral("FM_Welcome")});
  QTest::keyClick(&window, Qt::Key_Return);  // later keys, like later movements, do nothing
  EXPECT_EQ(runner_.shown.size(), 1u);
}

TEST_F(DriverTest, FurtherMouseMovesDoNothing) {
  InstallerWindow window(services());
  window.show();
  // Still on the welcome page, the main window gets another movement.
  runner_.then([&](QDialog&) { testing::moveMouseOver(window.startArea); });
  testing::moveMouseOver(window.startArea);
  testing::moveMouseOver(window.startArea);
  // One welcome page only; its close box ended the program without a question.
  EXPECT_EQ(runner_.shown.size(), 1u);
  EXPECT_TRUE(recorder_.shown.empty());
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(state_.started);
  EXPECT_EQ(window.exitCode(), 1);
}

TEST_F(DriverTest, ClosingTheDirectoryPageEndsWithoutAQuestion) {
  runner_.then([](QDialog& d) { click(d, "nextButton"); });
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(runner_.shown.size(), 2u);
  EXPECT_TRUE(recorder_.shown.empty());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.exitCode(), 1);  // a wizard left before installing has failed
}

TEST_F(DriverTest, MissingArchiveEndsWithoutTheCompletionQuestion) {
  std::filesystem::create_directories(default_);
  goThroughThePages();
  InstallerWindow window(services());
  window.show();
  QSignalSpy closed(&window, &InstallerWindow::closed);
  testing::moveMouseOver(window.startArea);
  EXPECT_EQ(captions(), (std::vector<std::string>{"오류"}));
  EXPECT_EQ(recorder_.shown.back().text, "ZELRPT.E01 화일이 존재하지 않습니다.");
  EXPECT_EQ(window.exitCode(), 1);
  EXPECT_EQ(closed.count(), 1);  // the program ends even with the progress window up
  EXPECT_FALSE(window.isVisible());
  ASSERT_NE(window.progressWindow(), nullptr);  // stays until the program ends
  EXPECT_TRUE(window.progressWindow()->isVisible());
  EXPECT_EQ(window.progressWindow()->totalGauge->text(), QStringLiteral("0%"));
}

TEST_F(DriverTest, BrokenArchiveGivesTheExtractionFailure) {
  std::filesystem::create_directories(default_);
  writeFile(start_ + "/ZELRPT.E01", "PK\x03\x04 but nothing more");
  goThroughThePages();
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  // The reason stands under the message.
  const std::string& text = recorder_.shown.back().text;
  EXPECT_EQ(text.rfind("SETUP을 실행하는데 오류가 발생했습니다.\r", 0), 0u) << text;
  EXPECT_GT(text.size(), std::string("SETUP을 실행하는데 오류가 발생했습니다.\r").size());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.exitCode(), 1);
}

TEST_F(DriverTest, LibraryNameThatIsADirectoryStopsWithTheReport) {
  std::filesystem::create_directories(default_);
  writeFile(at("stage") + "/" + kEngineLibraries[0] + "/inner.txt", "x");
  ASSERT_TRUE(testing::zipDirectory(at("stage"), start_ + "/ZELRPT.E01"));
  goThroughThePages();
  InstallerWindow window(services());
  window.show();
  testing::moveMouseOver(window.startArea);
  ASSERT_FALSE(recorder_.shown.empty());
  EXPECT_EQ(recorder_.shown.back().text, "Cannot open file " + native(default_ + "/" + kEngineLibraries[0]));
  EXPECT_EQ(window.exitCode(), 1);
  EXPECT_TRUE(window.isVisible());  // the driver stops; the user closes the window
}

// Keys on the two pages -------------------------------------------------------------

struct PageCase {
  std::string label;
  std::function<std::unique_ptr<QDialog>(const SetupServices&)> make;
  bool SetupState::*next;  // the page's way out
  std::string stopCaption;
};

class PageKeysTest : public WizardTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PageKeysTest, EnterPressesTheFocusedNext) {
  std::filesystem::create_directories(default_);
  std::unique_ptr<QDialog> page = GetParam().make(services());
  page->show();
  ASSERT_EQ(page->focusWidget()->objectName(), QStringLiteral("nextButton"));
  QTest::keyClick(page->focusWidget(), Qt::Key_Return);
  EXPECT_TRUE(state_.*GetParam().next);
  EXPECT_FALSE(page->isVisible());
}

TEST_P(PageKeysTest, EscapeAsksTheStopQuestion) {
  std::unique_ptr<QDialog> page = GetParam().make(services());
  page->show();
  answer({kNo, kYes});
  QTest::keyClick(page.get(), Qt::Key_Escape);
  ASSERT_EQ(captions(), std::vector<std::string>{GetParam().stopCaption});
  EXPECT_EQ(recorder_.shown[0].text, "프로그램설치를 종료하시겠습니까?");
  EXPECT_TRUE(page->isVisible());  // No: the page stays
  QTest::keyClick(page.get(), Qt::Key_Escape);
  EXPECT_FALSE(page->isVisible());
  EXPECT_FALSE(state_.*GetParam().next);
}

INSTANTIATE_TEST_SUITE_P(Pages, PageKeysTest,
                         ::testing::Values(PageCase{"Welcome",
                                                    [](const SetupServices& services) {
                                                      return std::unique_ptr<QDialog>(new WelcomePage(services));
                                                    },
                                                    &SetupState::welcomeNext, "확인"},
                                           PageCase{"Directory",
                                                    [](const SetupServices& services) {
                                                      return std::unique_ptr<QDialog>(new DirectoryPage(services));
                                                    },
                                                    &SetupState::dirSetNext, "확인"}),
                         [](const auto& info) { return info.param.label; });

// Long paths keep their end in sight -------------------------------------------------

TEST_F(WizardTest, LongPathsAreShortenedInTheMiddle) {
  const std::string longPath =
      at(std::string(30, 'a') + "/" + std::string(40, 'b') + "/" + std::string(40, 'c') + "/끝부분");
  testing::FakePlatform longFake(win_, longPath);
  DirectoryPage page(services(longFake));
  page.show();
  EXPECT_EQ(state_.installPath, longPath);  // the whole path, not what the label shows
  InstallProgressWindow progress;
  progress.setStatus(longPath + "/ZelRpt.bin");
  for (QLabel* label : {page.findChild<QLabel*>(QStringLiteral("pathLabel")), progress.currentFileLabel}) {
    const QString shown = label->text();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QString::fromStdString(native(drive_ == "/" ? "/" : drive_ + "/"))))
        << shown.toStdString();
    EXPECT_TRUE(label->toolTip().endsWith(shown.mid(shown.indexOf(QChar(0x2026)) + 1))) << shown.toStdString();
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(shown), label->width());
  }
  EXPECT_TRUE(progress.currentFileLabel->text().endsWith(QStringLiteral("/ZelRpt.bin")));
}

}  // namespace
}  // namespace zel::setup
