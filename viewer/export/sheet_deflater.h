// SheetDeflater: deflates a workbook's sheets on a thread of its own, in the
// order given, into a scratch file (a part of the output, removed with it):
// one finished raw deflate stream a sheet, its XML's CRC-32 and sizes noted.
// A sheet of up to wholeSheetBytes of XML is held and deflated whole by
// libdeflate (twice as fast as zlib's fastest level, and smaller); a longer
// one goes on through zlib's stream, so memory stays bounded.
//
// The writer's thread fills filling() and calls sent() after each row (it is
// handed over in pieces), endSheet() with the sheet's last XML, and finish()
// once every sheet is ended; after finish() the streams are read back with
// read() and their room given back with release(). A failed write of the
// scratch file throws ExportError at the next hand-over or at finish().
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zel {

class SheetDeflater {
 public:
  struct Piece {
    std::uint64_t offset = 0, compressed = 0, size = 0;  // in the scratch file; of the XML
    std::uint32_t crc = 0;  // of the XML
  };

  SheetDeflater(const std::string& scratchPath, std::size_t wholeSheetBytes);
  ~SheetDeflater();  // stops the thread; what is queued is dropped
  SheetDeflater(const SheetDeflater&) = delete;
  SheetDeflater& operator=(const SheetDeflater&) = delete;

  std::string& filling();
  void sent();
  void endSheet(const std::string& tail);
  // Waits for every sheet; one piece each, in order.
  const std::vector<Piece>& finish();
  void read(std::uint64_t offset, char* data, std::size_t size);
  // Gives the disk space of a range back where the file system can.
  void release(std::uint64_t offset, std::uint64_t size);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zel
