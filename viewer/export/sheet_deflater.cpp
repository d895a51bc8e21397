#include "sheet_deflater.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "sheet_writer.h"

namespace zel {
namespace {

// Rows are deflated fast: the level changes the file's size, not what it holds.
constexpr int kRowLevel = 1;
constexpr std::size_t kPieceBytes = 1 << 18;  // XML handed over at a time
constexpr std::size_t kQueuedPieces = 16;

// A scratch file of this process, written then read back.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0) throw ExportError("cannot write " + path, errno);
  }
  ~ScratchFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // False when not all was written (error() says why).
  bool write(const unsigned char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = n == 0 ? ENOSPC : errno;
        return false;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
      offset_ += static_cast<std::uint64_t>(n);
    }
    return true;
  }
  void read(std::uint64_t offset, char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t n = ::pread(fd_, data, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw ExportError("cannot read back " + path_, n < 0 ? errno : EIO);
      data += n;
      size -= static_cast<std::size_t>(n);
      offset += static_cast<std::uint64_t>(n);
    }
  }
  std::uint64_t offset() const { return offset_; }
  int error() const { return error_; }  // of the write that failed
  // Gives the disk space of a range back where the file system can (a hole).
  void release(std::uint64_t offset, std::uint64_t size) {
#ifdef FALLOC_FL_PUNCH_HOLE
    ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(size));
#else
    (void)offset;
    (void)size;
#endif
  }

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t offset_ = 0;
  int error_ = EIO;
};

}  // namespace

class SheetDeflater::Impl {
 public:
  Impl(const std::string& path, std::size_t wholeSheetBytes) : scratch_(path), wholeSheetBytes_(wholeSheetBytes) {
    if (deflateInit2(&z_, kRowLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw ExportError("cannot start deflate");
    whole_ = libdeflate_alloc_compressor(kRowLevel);
    if (!whole_) {
      deflateEnd(&z_);
      throw ExportError("cannot start deflate");
    }
    filling_.reserve(kPieceBytes + 4096);
    thread_ = std::thread([this] { run(); });
  }

  ~Impl() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    deflateEnd(&z_);
    libdeflate_free_compressor(whole_);
  }

  // The XML being filled; hand it over with sent().
  std::string& filling() { return filling_; }
  void sent() {
    if (filling_.size() >= kPieceBytes) send(false);
  }
  // Ends the current sheet's stream with its tail.
  void endSheet(const std::string& tail) {
    filling_ += tail;
    send(true);
  }
  // Waits for every piece; throws the thread's write error.
  const std::vector<Piece>& finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return queue_.empty() || error_ != 0; });
    if (error_ != 0) throw ExportError("cannot write the rows", error_);
    return pieces_;
  }
  ScratchFile& scratch() { return scratch_; }

 private:
  struct Job {
    std::string xml;
    bool endSheet = false;
  };

  void send(bool endSheet) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return queue_.size() < kQueuedPieces || error_ != 0; });
    if (error_ != 0) throw ExportError("cannot write the rows", error_);
    queue_.push_back({std::move(filling_), endSheet});
    if (!spare_.empty()) {
      filling_ = std::move(spare_.back());
      spare_.pop_back();
    } else {
      filling_ = std::string();
      filling_.reserve(kPieceBytes + 4096);
    }
    filling_.clear();
    lock.unlock();
    changed_.notify_all();
  }

  // Through zlib's stream; false when the scratch file lost a write.
  bool stream(const std::string& xml, int flush) {
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(xml.data()));
    z_.avail_in = static_cast<uInt>(xml.size());
    bool ok = true;
    int done;
    do {
      z_.next_out = out_.data();
      z_.avail_out = static_cast<uInt>(out_.size());
      done = deflate(&z_, flush);
      const std::size_t made = out_.size() - z_.avail_out;
      if (ok && made > 0 && !scratch_.write(out_.data(), made)) ok = false;
      piece_.compressed += made;
    } while (z_.avail_out == 0 || z_.avail_in > 0 || (flush == Z_FINISH && done != Z_STREAM_END));
    return ok;
  }

  // One job; false when the scratch file lost a write.
  bool take(const Job& job) {
    piece_.crc = libdeflate_crc32(piece_.crc, job.xml.data(), job.xml.size());  // zlib's CRC-32, faster
    piece_.size += job.xml.size();
    bool ok = true;
    if (!streaming_ && sheet_.size() + job.xml.size() > wholeSheetBytes_) {
      streaming_ = true;
      ok = stream(sheet_, Z_NO_FLUSH);
      sheet_.clear();
    }
    if (streaming_) {
      ok = stream(job.xml, job.endSheet ? Z_FINISH : Z_NO_FLUSH) && ok;
    } else {
      sheet_ += job.xml;
      if (job.endSheet) {
        // Left uninitialised: only the pages written become memory.
        const std::size_t bound = libdeflate_deflate_compress_bound(whole_, sheet_.size());
        if (bound > wholeOutSize_) {
          wholeOut_.reset(new unsigned char[bound]);
          wholeOutSize_ = bound;
        }
        const std::size_t made =
            libdeflate_deflate_compress(whole_, sheet_.data(), sheet_.size(), wholeOut_.get(), wholeOutSize_);
        ok = made > 0 && scratch_.write(wholeOut_.get(), made);  // made is 0 only past the bound: never
        piece_.compressed += made;
        sheet_.clear();
      }
    }
    if (job.endSheet) {
      pieces_.push_back(piece_);
      piece_ = Piece{};
      piece_.offset = scratch_.offset();
      streaming_ = false;
      deflateReset(&z_);
    }
    return ok;
  }

  void run() {
    out_.resize(kPieceBytes);
    // Reserved at once (pages become memory as they are written), so that
    // growing never holds the old and the new buffer together.
    sheet_.reserve(wholeSheetBytes_ + kPieceBytes);
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        job = std::move(queue_.front());
      }
      const bool ok = take(job);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ok) error_ = scratch_.error();
        queue_.pop_front();
        job.xml.clear();
        spare_.push_back(std::move(job.xml));
      }
      changed_.notify_all();
      if (!ok) return;
    }
  }

  ScratchFile scratch_;
  const std::size_t wholeSheetBytes_;
  z_stream z_{};
  libdeflate_compressor* whole_ = nullptr;
  // The deflating thread's.
  std::string sheet_;  // the sheet's XML so far, while it is held whole
  bool streaming_ = false;  // the sheet goes through zlib's stream
  Piece piece_;
  std::vector<unsigned char> out_;
  std::unique_ptr<unsigned char[]> wholeOut_;
  std::size_t wholeOutSize_ = 0;
  // The writer's.
  std::string filling_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;  // the front is being deflated
  std::vector<std::string> spare_;
  std::vector<Piece> pieces_;
  int error_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

SheetDeflater::SheetDeflater(const std::string& scratchPath, std::size_t wholeSheetBytes)
    : impl_(std::make_unique<Impl>(scratchPath, wholeSheetBytes)) {}

SheetDeflater::~SheetDeflater() = default;

std::string& SheetDeflater::filling() { return impl_->filling(); }

void SheetDeflater::sent() { impl_->sent(); }

void SheetDeflater::endSheet(const std::string& tail) { impl_->endSheet(tail); }

const std::vector<SheetDeflater::Piece>& SheetDeflater::finish() { return impl_->finish(); }

void SheetDeflater::read(std::uint64_t offset, char* data, std::size_t size) {
  impl_->scratch().read(offset, data, size);
}

void SheetDeflater::release(std::uint64_t offset, std::uint64_t size) { impl_->scratch().release(offset, size); }

}  // namespace zel
