// Entry data: copies one entry's bytes from the archive to an open file,
// inflating Deflate data (raw, as ZIP stores it), and checks the result against
// the sizes and CRC-32 the central directory declares. Inflation stops one byte
// past the declared size, so an entry cannot fill the disk by claiming to be
// small. The caller owns the file descriptor and decides what happens to the
// file when this fails; zlib's state is freed on every path.
#pragma once

#include <cstdint>
#include <functional>

#include "byte_source.h"
#include "status.h"
#include "zip_directory.h"

namespace zel {

// Called with the number of archive bytes just read for the entry.
using ConsumedFn = std::function<void(std::uint64_t bytes)>;

// With fd < 0 nothing is written: the dry pass that checks an entry before any write.
// Corruption for damaged data, size or CRC mismatches; Unsupported for methods
// other than stored (0) and Deflate (8); IoError when reading or writing fails.
Status writeEntryData(ByteSource& source, const ZipEntry& entry, int fd, const ConsumedFn& consumed);

}  // namespace zel
