// Writes a seed corpus for unzip_fuzz and install_fuzz into the directory named on the command
// line: small archives that between them reach every record kind the reader knows.
#include <cstdio>
#include <filesystem>
#include <string>

#include "test_scratch_dir.h"
#include "test_zip_builder.h"

using namespace zel::test;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  const std::string text = "line one\r\nline two\r\n\xBA\xB8\xB0\xED\xBC\xAD\r\n";  // ends in CP949 "보고서"
  writeBytes(dir / "plain.zip", buildZip({{.name = "d/", .data = "", .method = 0},
                                          {.name = "d/a.txt", .data = text},
                                          {.name = "b.txt", .data = text, .method = 0}},
                                         {.comment = "seed"}));
  writeBytes(dir / "descriptor.zip", buildZip({{.name = "a", .data = text, .dataDescriptor = true},
                                               {.name = "b", .data = text, .method = 0, .dataDescriptor = true}}));
  writeBytes(dir / "zip64.zip", buildZip({{.name = "a", .data = text, .zip64 = true},
                                          {.name = "b", .data = text, .dataDescriptor = true, .zip64 = true}},
                                         {.zip64End = true}));
  writeBytes(dir / "stub.zip", buildZip({{.name = "a", .data = text, .unixMtime = 1000000000u}}, {.stub = "MZ stub"}));
  writeBytes(dir / "stub_adjusted.zip",
             buildZip({{.name = "a", .data = text}}, {.stub = "MZ stub", .adjustForStub = true, .zip64End = true}));
  writeBytes(dir / "empty.zip", buildZip({}));
  writeBytes(dir / "unix.zip",
             buildZip({{.name = "x", .data = text, .versionMadeBy = kMadeByUnix, .externalAttributes = kUnixFile}}));
  // An installation archive in small: the four libraries at the top, samples below.
  writeBytes(
      dir / "install.zip",
      buildZip(
          {{.name = "libsde32.so", .data = text},
           {.name = "libsdecdx32.so", .data = text},
           {.name = "libsdensx32.so", .data = text, .method = 0},
           {.name = "libsdentx32.so", .data = text},
           {.name = "samples/", .data = "", .method = 0},
           {.name = "samples/P_RPT.dbf", .data = text},
           {.name = "ZelRpt", .data = "#!/bin/sh\n", .versionMadeBy = kMadeByUnix, .externalAttributes = kUnixFile}}));
  return 0;
}
