// zelrpt-cli onto a full disk: a small tmpfs of its own, filled to chosen
// levels before each run, for every output kind (PDF on one and on two
// threads, PNG pages, CSV, XLSX with its temporary files on the same disk or
// on another). Whatever the level, a run either succeeds with a whole file or
// exits 1 saying the disk is full, keeps the old file and leaves no part file.
// Mounting needs root (CAP_SYS_ADMIN); where it is not allowed the program
// exits 77, which ctest reports as skipped.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_process.h"
#include "sample_reports.h"

namespace zel {
namespace {

namespace rw = reportwriter;
using e2e::CliRun;

constexpr long kDiskBytes = 8L << 20;
constexpr int kReportPages = 40;
const char kReport[] = "P_RPTB02_DISK.dbf";
const char kDiskFull[] = "디스크 공간이 부족합니다";
const QByteArray kOldContent = "the file that was there before\n";

// A tmpfs mounted for the test's life.
class SmallDisk {
 public:
  explicit SmallDisk(const QString& path, long bytes) : path_(path) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    mounted_ = ::mount("tmpfs", path.toLocal8Bit().constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.toLocal8Bit().constData(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  long freeBytes() const {
    struct statvfs st {};
    if (::statvfs(path_.toLocal8Bit().constData(), &st) != 0) return 0;
    return static_cast<long>(st.f_bavail * st.f_frsize);
  }
  // Fills the disk until `left` bytes stay free (to its page size).
  bool fillLeaving(long left) {
    const long take = freeBytes() - left;
    if (take <= 0) return true;
    const int fd = ::open(QDir(path_).filePath("filler").toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const bool ok = ::posix_fallocate(fd, 0, take) == 0;
    ::close(fd);
    return ok;
  }

 private:
  QString path_;
  bool mounted_ = false;
};

bool canMount() {
  QTemporaryDir dir;
  SmallDisk disk(dir.path(), 1 << 20);
  return disk.mounted();
}

struct OutputKind {
  const char* name;
  QStringList args;  // {R} the report, {O} the output
  const char* file;  // the output beside {O}'s directory ("" for PNG pages)
  int threads = 0;  // ZEL_PDF_THREADS; 0: the program's choice
  bool tmpdirElsewhere = false;  // XLSX: temporary files on a disk of their own
  bool tmpdirRoomy = false;  // XLSX: temporary files where there is room, only the output's disk full
  bool tmpdirUnused = false;  // nothing goes to the temporary directory: a full one changes nothing
};

const std::vector<OutputKind>& kinds() {
  static const std::vector<OutputKind> all = {
      {"pdf_one_thread", {"render", "{R}", "--pdf", "{O}/out.pdf"}, "out.pdf", 1},
      {"pdf_two_threads", {"render", "{R}", "--pdf", "{O}/out.pdf"}, "out.pdf", 2},
      {"png", {"render", "{R}", "--png", "{O}/png", "--pages", "1-6"}, ""},
      {"csv", {"export", "{R}", "--csv", "{O}/out.csv"}, "out.csv"},
      {"xlsx", {"export", "{R}", "--xlsx", "{O}/out.xlsx"}, "out.xlsx"},
      // The workbook keeps its rows beside the output, not in the temporary directory.
      {"xlsx_temporary_directory_full", {"export", "{R}", "--xlsx", "{O}/out.xlsx"}, "out.xlsx", 0, true, false, true},
      // The workbook is assembled into the full disk (where its library used to print its own errors).
      {"xlsx_output_disk_full", {"export", "{R}", "--xlsx", "{O}/out.xlsx"}, "out.xlsx", 0, false, true},
  };
  return all;
}

// A fill level: the bytes left free, from the size of a whole output.
struct Level {
  const char* name;
  double ofOutput;  // the share of the output's size left free
  long plus;  // and this many bytes more
};

const Level kLevels[] = {
    {"nothing_free", 0, 0}, {"a_quarter", 0.25, 0},     {"half", 0.5, 0},         {"a_page_short", 1.0, -4096},
    {"the_size", 1.0, 0},   {"a_page_over", 1.0, 4096}, {"plenty", 2.0, 1 << 20},
};

class FullDisk : public ::testing::TestWithParam<OutputKind> {
 protected:
  static void SetUpTestSuite() {
    reports_ = new QTemporaryDir();
    rw::BillOptions o;
    o.fileName = kReport;
    o.pages = kReportPages;
    ASSERT_TRUE(rw::writeReport(reports_->path().toStdString(), rw::billOfQuantities(o)));
  }
  static void TearDownTestSuite() {
    delete reports_;
    reports_ = nullptr;
  }

  CliRun run(const OutputKind& kind, const QString& out, const QString& tmpdir) {
    QStringList args;
    for (QString a : kind.args)
      args << a.replace("{R}", reports_->filePath(QString::fromLatin1(kReport))).replace("{O}", out);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmpdir);
    if (kind.threads > 0) env.insert("ZEL_PDF_THREADS", QString::number(kind.threads));
    return e2e::runProgram(e2e::cliPath(), args, env);
  }

  // The bytes of everything a run wrote in dir (PNG pages: all of them).
  static long writtenBytes(const QString& dir) {
    long total = 0;
    for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files | QDir::NoDotAndDotDot)) total += f.size();
    for (const QFileInfo& d : QDir(dir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
      total += writtenBytes(d.filePath());
    return total;
  }

  static QStringList partFiles(const QString& dir) {
    QStringList found;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
      if (name.contains(".zelrpt-") || name.contains(".part")) found << name;
    return found;
  }

  static QTemporaryDir* reports_;
};

QTemporaryDir* FullDisk::reports_ = nullptr;

// Whether the file is whole: PDFs pass qpdf --check, workbooks unzip with
// good checksums, CSV files and PNG pages equal the ones written with room.
bool whole(const OutputKind& kind, const QString& file, const QByteArray& reference) {
  if (QString::fromLatin1(kind.file).endsWith(".pdf")) return e2e::runProgram("qpdf", {"--check", file}).exitCode == 0;
  if (QString::fromLatin1(kind.file).endsWith(".xlsx"))
    return e2e::runProgram(
               "python3",
               {"-c", "import sys,zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)", file})
               .exitCode == 0;
  QFile f(file);
  return f.open(QIODevice::ReadOnly) && f.readAll() == reference;
}

TEST_P(FullDisk, EveryFillLevelEndsInAWholeFileOrASaidFailureKeepingTheOldOne) {
  const OutputKind& kind = GetParam();
  QTemporaryDir mountPoint, tmpPoint;
  // With room: the size of a whole output, and its bytes for comparison.
  long size = 0;
  QByteArray reference;
  {
    SmallDisk disk(mountPoint.path(), kDiskBytes);
    ASSERT_TRUE(disk.mounted());
    const CliRun r = run(kind, mountPoint.path(), mountPoint.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    size = writtenBytes(mountPoint.path());
    ASSERT_GT(size, 0);
    ASSERT_LT(size * 3, kDiskBytes) << "the report is too big for the test's disk";
    const QString file = kind.file[0] ? QDir(mountPoint.path()).filePath(kind.file)
                                      : QDir(mountPoint.path()).filePath("png/P_RPTB02_DISK-p0006.png");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    reference = f.readAll();
  }
  int failures = 0;
  for (const Level& level : kLevels) {
    SCOPED_TRACE(level.name);
    SmallDisk disk(mountPoint.path(), kDiskBytes);
    ASSERT_TRUE(disk.mounted());
    // The temporary files elsewhere: a disk of their own, nearly full too.
    std::unique_ptr<SmallDisk> tmpDisk;
    QString tmpdir = mountPoint.path();
    if (kind.tmpdirElsewhere) {
      tmpDisk = std::make_unique<SmallDisk>(tmpPoint.path(), kDiskBytes);
      ASSERT_TRUE(tmpDisk->mounted());
      tmpdir = tmpPoint.path();
    }
    if (kind.tmpdirRoomy) tmpdir = tmpPoint.path();
    const QString old = kind.file[0] ? QDir(mountPoint.path()).filePath(kind.file) : QString();
    if (!old.isEmpty()) {
      QFile f(old);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(kOldContent);
    }
    const long left = std::max(0L, static_cast<long>(size * level.ofOutput) + level.plus);
    if (kind.tmpdirElsewhere) {
      ASSERT_TRUE(tmpDisk->fillLeaving(left));
    } else {
      ASSERT_TRUE(disk.fillLeaving(left));
    }

    const CliRun r = run(kind, mountPoint.path(), tmpdir);
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.exitCode << r.err.toStdString();
    if (level.ofOutput >= 2 || kind.tmpdirUnused) {
      EXPECT_EQ(r.exitCode, 0) << "with room to spare: " << r.err.toStdString();
    }
    EXPECT_TRUE(e2e::isUtf8(r.errBytes));
    EXPECT_TRUE(partFiles(mountPoint.path()).isEmpty()) << partFiles(mountPoint.path()).join(' ').toStdString();
    if (kind.tmpdirElsewhere) {
      EXPECT_TRUE(partFiles(tmpPoint.path()).isEmpty());
    }
    if (r.exitCode == 0) {
      const QString file = kind.file[0] ? old : QDir(mountPoint.path()).filePath("png/P_RPTB02_DISK-p0006.png");
      EXPECT_TRUE(whole(kind, file, reference)) << "success over a broken file";
    } else {
      ++failures;
      EXPECT_TRUE(r.err.contains(QString::fromUtf8(kDiskFull))) << r.err.toStdString();
      EXPECT_FALSE(r.err.contains("QPainter")) << r.err.toStdString();
      EXPECT_FALSE(r.err.contains("Unknown error")) << r.err.toStdString();
      // The workbook library's own lines stay off the terminal: the worded message says it all.
      EXPECT_FALSE(r.err.contains("[ERROR]")) << r.err.toStdString();
      if (!old.isEmpty()) {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), kOldContent) << "the old file was lost";
      }
    }
  }
  // The low levels cannot hold the file.
  if (!kind.tmpdirUnused) {
    EXPECT_GE(failures, 3);
  }
}

INSTANTIATE_TEST_SUITE_P(Outputs, FullDisk, ::testing::ValuesIn(kinds()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (!zel::canMount()) {
    std::fprintf(stderr, "cannot mount a tmpfs here (needs root): skipped\n");
    return 77;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
