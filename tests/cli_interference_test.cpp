// zelrpt-cli against what other processes and the system do to a run: another
// program holding the report, a second run of the same report, signals
// (SIGINT, SIGTERM, SIGHUP, SIGKILL), read-only media and missing permissions.
// Reports come from the project's writer; nothing outside the test's own
// temporary directories is touched. Permission cases run the program as the
// unprivileged user "nobody" when the test runs as root (root ignores modes).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "child_process.h"
#include "cli_process.h"
#include "sample_reports.h"
#include "sde32.h"

namespace zel {
namespace {

namespace rw = reportwriter;
using e2e::CliRun;

constexpr int kBigPages = 40;  // runs stop themselves after page 2 (page hook)
const char kBigReport[] = "P_RPTB02_BIG.dbf";
const char kSmallReport[] = "P_RPTB02_SMALL.dbf";
const char kInUse[] = "다른 프로그램이 사용하고 있는 보고서입니다.";
const char kNoPermission[] = "보고서를 읽을 권한이 없습니다.";
constexpr uid_t kNobody = 65534;

QStringList besideReport(const QString& dir) {
  return QDir(dir).entryList({"*.cdx", "*.CDX", "*.part*", "*.zelrpt-*"}, QDir::Files | QDir::Hidden);
}

// A render of the big report in the background, waited on until it is printing.
class BackgroundRender {
 public:
  // threads: ZEL_PDF_THREADS for the run, 0 to leave the program's choice.
  BackgroundRender(const QString& report, const QString& pdf, int threads = 0) {
    if (threads > 0) {
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("ZEL_PDF_THREADS"), QString::number(threads));
      process_.setProcessEnvironment(env);
    }
    // Stopped at a page boundary by its page hook, holding the report.
    started_ = e2e::startStoppedAfterPages(process_, e2e::cliPath(), {"render", report, "--pdf", pdf, "--progress"}, 2);
  }
  ~BackgroundRender() {
    if (process_.state() == QProcess::Running) process_.kill();
    process_.waitForFinished(60000);
  }
  bool running() const { return started_ && process_.state() == QProcess::Running; }
  qint64 pid() const { return process_.processId(); }
  // Sends the signal and returns the exit code (-1 when killed by it).
  int stop(int signal) {
    e2e::signalAndContinue(process_, signal);
    process_.waitForFinished(300000);
    err_ += process_.readAllStandardError();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  QString err() const { return QString::fromUtf8(err_); }

 private:
  QProcess process_;
  bool started_ = false;
  QByteArray err_;
};

class CliInterference : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    reports_ = new QTemporaryDir();
    const std::string d = reports_->path().toStdString();
    rw::ReportSpec big = rw::largeReport(long(kBigPages) * rw::linesPerPage('P'), 'P');
    big.fileName = kBigReport;
    ASSERT_TRUE(rw::writeReport(d, big));
    rw::BillOptions small;
    small.fileName = kSmallReport;
    small.pages = 2;
    ASSERT_TRUE(rw::writeReport(d, rw::billOfQuantities(small)));
  }
  static void TearDownTestSuite() {
    delete reports_;
    reports_ = nullptr;
  }
  static QString report(const char* name) { return reports_->filePath(QString::fromLatin1(name)); }
  QString out(const QString& name) const { return work_.filePath(name); }

  static QTemporaryDir* reports_;
  QTemporaryDir work_;
};

QTemporaryDir* CliInterference::reports_ = nullptr;

struct SignalCase {
  int signal;
  int exitCode;
};

class CliSignals : public CliInterference, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(CliSignals, StopAtAPageBoundaryKeepTheDonePagesAndCleanUp) {
  const QString pdf = out("big.pdf");
  BackgroundRender render(report(kBigReport), pdf);
  ASSERT_TRUE(render.running()) << "finished before the signal: " << render.err().toStdString();
  EXPECT_EQ(render.stop(GetParam().signal), GetParam().exitCode) << render.err().toStdString();
  EXPECT_TRUE(QFile::exists(pdf));
  EXPECT_EQ(QDir(work_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.pdf"});
  EXPECT_TRUE(besideReport(reports_->path()).isEmpty()) << besideReport(reports_->path()).join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Signals, CliSignals,
                         ::testing::Values(SignalCase{SIGINT, 130}, SignalCase{SIGTERM, 143}, SignalCase{SIGHUP, 129}),
                         [](const auto& info) { return std::to_string(info.param.exitCode); });

// A signal while the page order of a large valid table is being built stops
// the run there (the build used to run to its end whatever came): the exit
// code of any interrupt, no message, and no output, part or index file left.
struct BuildSignalCase {
  const char* command;
  int signal;
  int exitCode;
};

class CliSignalsDuringOrderBuild : public ::testing::TestWithParam<BuildSignalCase> {
 protected:
  static void SetUpTestSuite() {
    reports_ = new QTemporaryDir();
    // About 15 MB of records: the build asks about a stop for every megabyte.
    rw::ReportSpec large = rw::largeReport(80000, 'P');
    large.fileName = kLargeReport;
    ASSERT_TRUE(rw::writeReport(reports_->path().toStdString(), large));
  }
  static void TearDownTestSuite() {
    delete reports_;
    reports_ = nullptr;
  }
  static constexpr char kLargeReport[] = "P_RPTB02_LARGE.dbf";
  static QTemporaryDir* reports_;
  QTemporaryDir work_;
};

QTemporaryDir* CliSignalsDuringOrderBuild::reports_ = nullptr;

TEST_P(CliSignalsDuringOrderBuild, StopsTheBuildAndLeavesNothing) {
  const BuildSignalCase c = GetParam();
  const QString report = QDir(reports_->path()).filePath(QString::fromLatin1(kLargeReport));
  const QString output = QDir(work_.path()).filePath(QStringLiteral("out.") + (c.command[0] == 'r' ? "pdf" : "csv"));
  const QStringList args = c.command[0] == 'r' ? QStringList{"render", report, "--pdf", output}
                                               : QStringList{"export", report, "--csv", output};
  QProcess process;
  // Stopped at the build's second look, one megabyte into the table.
  ASSERT_TRUE(e2e::startStoppedByHook(process, e2e::cliPath(), args, QStringLiteral("ZEL_STOP_IN_ORDER_BUILD"), 2))
      << "the build never began: " << process.readAllStandardError().toStdString();
  e2e::signalAndContinue(process, c.signal);
  // The hook stops the program again at every later look: a build that went
  // on would be caught there.
  const QString stat = QStringLiteral("/proc/%1/stat").arg(process.processId());
  while (!process.waitForFinished(20)) {
    QFile file(stat);
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray line = file.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close >= 0 && close + 2 < line.size() && line.at(close + 2) == 'T') {
      process.kill();
      process.waitForFinished();
      FAIL() << "the build went on after the signal";
    }
  }
  const QString err = QString::fromUtf8(process.readAllStandardError());
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), c.exitCode) << err.toStdString();
  EXPECT_TRUE(err.isEmpty()) << err.toStdString();
  EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
  EXPECT_EQ(QDir(work_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
  EXPECT_TRUE(besideReport(reports_->path()).isEmpty()) << besideReport(reports_->path()).join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CliSignalsDuringOrderBuild,
    ::testing::Values(BuildSignalCase{"render", SIGINT, 130}, BuildSignalCase{"render", SIGTERM, 143},
                      BuildSignalCase{"export", SIGINT, 130}, BuildSignalCase{"export", SIGHUP, 129}),
    [](const auto& info) { return std::string(info.param.command) + "_" + std::to_string(info.param.exitCode); });

// A part file name of the output for process pid, with its mark as the program sets it.
QString partFile(const QString& dir, const QString& output, qint64 pid, const QString& suffix = QString()) {
  return QDir(dir).filePath(QStringLiteral(".%1.zelrpt-%2.part%3").arg(output).arg(pid).arg(suffix));
}

bool markAsPart(const QString& file) {
  return ::setxattr(QFile::encodeName(file).constData(), "user.zelrpt", "part", 4, 0) == 0;
}

TEST_F(CliInterference, AfterSigkillTheNextRunRemovesTheDeadRunsPartFile) {
  qint64 killed = 0;
  {
    // On one thread the part file is open before the first page; a worker
    // thread may not have begun its own when the page hook stops the run.
    BackgroundRender render(report(kBigReport), out("killed.pdf"), 1);
    ASSERT_TRUE(render.running());
    killed = render.pid();
    render.stop(SIGKILL);
  }
  ASSERT_TRUE(QFile::exists(partFile(work_.path(), "killed.pdf", killed))) << "the killed run left no part file";
  // What a worker of the killed run would have left too.
  QFile workerPart(partFile(work_.path(), "killed.pdf", killed, "-2"));
  ASSERT_TRUE(workerPart.open(QIODevice::WriteOnly));
  workerPart.close();
  ASSERT_TRUE(markAsPart(workerPart.fileName()));
  // A part of the same output whose process still runs is not touched.
  const QString live = partFile(work_.path(), "killed.pdf", ::getpid());
  QFile liveFile(live);
  ASSERT_TRUE(liveFile.open(QIODevice::WriteOnly));
  liveFile.write("%PDF-1.4\n");
  liveFile.close();
  ASSERT_TRUE(markAsPart(live));

  const CliRun r = e2e::cli({"render", report(kSmallReport), "--pdf", out("killed.pdf")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_FALSE(QFile::exists(partFile(work_.path(), "killed.pdf", killed)));
  EXPECT_FALSE(QFile::exists(workerPart.fileName()));
  EXPECT_TRUE(QFile::exists(live));
  // The killed run's page index goes with the next run of that report.
  EXPECT_EQ(e2e::cli({"render", report(kBigReport), "--pdf", out("again.pdf"), "--pages", "1-1"}).exitCode, 0);
  EXPECT_TRUE(besideReport(reports_->path()).isEmpty());
}

// Files that look like part files but are not this output's, or not made by
// the program, are the user's: a run never removes them.
TEST_F(CliInterference, StalePartCleanupLeavesEveryOtherFileAlone) {
  const qint64 dead = 999999;  // above the system's process ids here
  struct Planted {
    QString name;
    QByteArray bytes;
    bool marked;
  };
  const QList<Planted> planted = {
      {"thesis.pdf.part999999", "%PDF-1.7\n", false},
      {"budget.csv.part4242",
       "\xEF\xBB\xBF"
       "a,b\r\n",
       false},
      {"notes.part123456", "", false},
      {"photos.zip.part99999", "PK\x03\x04", false},
      {"out.pdf.part999999", "%PDF-1.4\n", false},  // the old naming: not ours any more
      // The output's own name and a dead process, but not marked by the program.
      {QStringLiteral(".out.pdf.zelrpt-%1.part").arg(dead - 1), "%PDF-1.4\n", false},
      // Marked, dead, but another output's.
      {QStringLiteral(".other.pdf.zelrpt-%1.part").arg(dead), "%PDF-1.4\n", true},
  };
  for (const Planted& p : planted) {
    QFile f(out(p.name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(p.bytes);
    f.close();
    if (p.marked) {
      ASSERT_TRUE(markAsPart(f.fileName()));
    }
  }
  // And one that is the output's, marked and dead: the only one to go.
  const QString ours = partFile(work_.path(), "out.pdf", dead);
  {
    QFile f(ours);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  ASSERT_TRUE(markAsPart(ours));

  for (const QStringList& args : {QStringList{"render", report(kSmallReport), "--pdf", out("out.pdf")},
                                  QStringList{"export", report(kSmallReport), "--csv", out("budget.csv")},
                                  QStringList{"render", report(kSmallReport), "--png", work_.path()}}) {
    const CliRun r = e2e::cli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  }
  for (const Planted& p : planted) {
    QFile f(out(p.name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << p.name.toStdString() << " was removed";
    EXPECT_EQ(f.readAll(), p.bytes) << p.name.toStdString();
  }
  EXPECT_FALSE(QFile::exists(ours));
}

// The user's language must not change which fonts are found: the font
// database names families in it (나눔고딕코딩), while the program asks for
// the English names.
TEST_F(CliInterference, TheFontCheckDoesNotDependOnTheLocale) {
  for (const char* lang : {"C.UTF-8", "ko_KR.UTF-8", "ko_KR.eucKR", "ja_JP.UTF-8"}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANG", QString::fromLatin1(lang));
    env.remove("LC_ALL");
    const CliRun r = e2e::runProgram(e2e::cliPath(), {"info", report(kSmallReport)}, env);
    EXPECT_EQ(r.exitCode, 0) << lang << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("fonts without Hangul")) << lang << ": " << r.err.toStdString();
  }
}

TEST_F(CliInterference, ASecondRunIsRefusedAndLeavesTheFirstRunsIndex) {
  BackgroundRender first(report(kBigReport), out("first.pdf"));
  ASSERT_TRUE(first.running());
  const QStringList index = QDir(reports_->path()).entryList({"*.cdx", "*.CDX"}, QDir::Files);
  ASSERT_EQ(index.size(), 1);

  for (const QStringList& args : {QStringList{"render", report(kBigReport), "--pdf", out("second.pdf")},
                                  QStringList{"find", report(kBigReport), "--column", "품명", "--text", "x"}}) {
    const CliRun second = e2e::cli(args);
    EXPECT_EQ(second.exitCode, 1) << args.join(' ').toStdString();
    EXPECT_TRUE(second.err.contains(QString::fromUtf8(kInUse))) << second.err.toStdString();
    EXPECT_EQ(QDir(reports_->path()).entryList({"*.cdx", "*.CDX"}, QDir::Files), index)
        << "the first run's index was removed";
  }
  EXPECT_EQ(first.stop(SIGINT), 130);
  EXPECT_TRUE(besideReport(reports_->path()).isEmpty());
}

TEST_F(CliInterference, AReportHeldByAnotherProgramIsCalledThat) {
  // Another program holding the report exclusively.
  const std::string path = report(kSmallReport).toStdString();
  ChildProcess holder([&] {
    sx_SetStringType(1);
    return sx_Use(path.c_str(), "HOLDER", SX_EXCLUSIVE, SX_FOX) != 0;
  });
  ASSERT_TRUE(holder.ready());
  const CliRun info = e2e::cli({"info", report(kSmallReport)});
  EXPECT_EQ(info.exitCode, 1);
  EXPECT_TRUE(info.out.contains(QString::fromUtf8(kInUse))) << info.out.toStdString();
  EXPECT_FALSE(info.out.contains(QStringLiteral("보고서 파일이 아님")));
  for (const QStringList& args : {QStringList{"render", report(kSmallReport), "--pdf", out("x.pdf")},
                                  QStringList{"margins", report(kSmallReport)}}) {
    const CliRun r = e2e::cli(args);
    EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(kInUse))) << r.err.toStdString();
  }
}

// Runs the program as an unprivileged user: "nobody" when the test is root.
CliRun cliAsUser(const QStringList& args, const QString& home) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("HOME"), home);
  env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
  if (::geteuid() != 0) return e2e::runProgram(e2e::cliPath(), args, env);
  QStringList full{"--reuid=" + QString::number(kNobody), "--regid=" + QString::number(kNobody), "--clear-groups", "--",
                   e2e::cliPath()};
  return e2e::runProgram(QStringLiteral("setpriv"), full + args, env);
}

void setMode(const QString& path, QFile::Permissions p) { ASSERT_TRUE(QFile::setPermissions(path, p)); }

constexpr QFile::Permissions kReadOnlyDir =
    QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
constexpr QFile::Permissions kOpenDir = kReadOnlyDir | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
constexpr QFile::Permissions kReadOnlyFile = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

// A report on read-only media: a directory nobody may write to, files nobody may write.
class ReadOnlyReport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(media_.isValid() && output_.isValid());
    rw::BillOptions o;
    o.fileName = kSmallReport;
    o.pages = 2;
    ASSERT_TRUE(rw::writeReport(media_.path().toStdString(), rw::billOfQuantities(o)));
    for (const QString& f : QDir(media_.path()).entryList(QDir::Files)) setMode(media_.filePath(f), kReadOnlyFile);
    setMode(media_.path(), kReadOnlyDir);
    setMode(output_.path(), kOpenDir);
    before_ = QDir(media_.path()).entryList(QDir::Files);
  }
  void TearDown() override { setMode(media_.path(), kOpenDir); }
  QString report() const { return media_.filePath(QString::fromLatin1(kSmallReport)); }

  QTemporaryDir media_, output_;
  QStringList before_;
};

TEST_F(ReadOnlyReport, ListsDescribesRendersAndFindsWritingNothingBesideIt) {
  const QString home = output_.path();
  CliRun r = cliAsUser({"list", media_.path()}, home);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(QString::fromLatin1(kSmallReport)));
  EXPECT_EQ(cliAsUser({"info", report()}, home).exitCode, 0);

  r = cliAsUser({"render", report(), "--pdf", output_.filePath("ro.pdf")}, home);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("2 pages"))) << r.out.toStdString();
  r = cliAsUser({"render", report(), "--png", output_.filePath("png"), "--pages", "2-2"}, home);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  r = cliAsUser({"find", report(), "--column", "품명", "--text", "철근"}, home);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(QDir(media_.path()).entryList(QDir::Files), before_) << "something was written beside the report";
}

TEST_F(ReadOnlyReport, AWriteProtectedReportInAWritableDirectoryRunsToo) {
  setMode(media_.path(), kOpenDir);
  const CliRun r = cliAsUser({"render", report(), "--pdf", output_.filePath("ro.pdf")}, output_.path());
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(QDir(media_.path()).entryList(QDir::Files), before_);
}

TEST_F(ReadOnlyReport, AnUnreadableReportSaysSo) {
  setMode(report(), QFile::Permissions());
  CliRun r = cliAsUser({"info", report()}, output_.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.contains(QString::fromUtf8(kNoPermission))) << r.out.toStdString();
  r = cliAsUser({"render", report(), "--pdf", output_.filePath("x.pdf")}, output_.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QString::fromUtf8(kNoPermission))) << r.err.toStdString();
}

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
