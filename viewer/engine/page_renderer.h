// The page renderer: draws pages PrintFrom..PrintTo of the current run
// (reportRun()) onto a canvas, in page units of 0.1 mm. DrawMode 1 is the
// preview picture (y downward), -1 the printer under its metric mapping
// (y upward, new printer pages between pages, progress dialog, cancel).
// Reads the run's layout and table walk; changes only CurrentPage,
// PrintedPageNo, the printer margins and, once, LinesPerPage 0 -> 100.
//
// Errors (DataError: a non-numeric size, width, colour or position code, or a
// table error) end the drawing; the end steps (progress closed or status bar
// hidden) still run and the error passes on to the caller.
#pragma once

#include <string>

namespace zel {

class Canvas;
class Printer;
struct TReportLayout;

inline constexpr int kDrawPreview = 1;
inline constexpr int kDrawPrinter = -1;

void RenderPages(Canvas& canvas, int drawMode);

// Fills reportRun().PrnMargin1..3 from the printer's unprintable strips for
// the report's orientation (first letter of the base name, "L" landscape).
// Device pixels at the given resolution as page units (0.1 mm), rounded.
int PixelsToPageUnits(int pixels, int pixelsPerInch);
// Fills PrnMargin1..3 (page units) from the printer's unprintable strips.
void ReadPrinterMargins(Printer& printer);

// Spreads a caption over width by equal runs of blanks between its
// characters (a byte above 0x7F starts a two-byte character); c is the
// body font's average character width.
std::string SpreadCaption(const std::string& text, int width, int c);

// Round half to even, as the page geometry requires.
int RoundHalfEven(double v);

}  // namespace zel
