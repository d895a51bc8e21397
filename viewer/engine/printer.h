// Printer: the engine's view of the current printer. The Qt side implements it
// over QPrinter and installs one instance at start-up; the engine only asks for
// it while a report runs or prints. A missing printer is "no printer installed".
//
// Device values (sizes, offsets, resolutions) are printer device pixels. The
// canvas a printer hands out draws in page units (0.1 mm, y growing upward)
// once setMetricMapping is in force; its lifetime ends with endDocument.
// Single-threaded: called on the user-interface thread only.
#pragma once

namespace zel {

class Canvas;

enum class PaperOrientation { kPortrait = 0, kLandscape = 1 };

// What the engine reads from the device capabilities, in device pixels.
struct PrinterCaps {
  int physicalWidth = 0;  // PHYSICALWIDTH: the whole sheet
  int physicalHeight = 0;  // PHYSICALHEIGHT
  int logPixelsX = 0;  // LOGPIXELSX: device pixels per inch
  int logPixelsY = 0;  // LOGPIXELSY
  int horzRes = 0;  // HORZRES: printable width
  int vertRes = 0;  // VERTRES: printable height
  int printingOffsetX = 0;  // GETPRINTINGOFFSET: unprintable strip at the left
  int printingOffsetY = 0;  //                    and at the top
};

class Printer {
 public:
  virtual ~Printer() = default;

  // Each returns false when the printer is missing or cannot be used.
  virtual bool setOrientation(PaperOrientation orientation) = 0;
  virtual bool setCopies(int copies) = 0;
  // False for a device that prints each page once whatever the copy count
  // (a PDF file): the job then repeats the pages itself.
  virtual bool makesCopies() { return true; }
  // Capabilities for the current orientation and paper; false when unavailable.
  virtual bool caps(PrinterCaps& out) = 0;

  // The print document. No title is set. endDocument releases the pages drawn
  // so far to the spooler, also after a cancelled or failed job.
  virtual bool beginDocument() = 0;
  virtual bool newPage() = 0;
  virtual void endDocument() = 0;

  // The document's canvas; valid between beginDocument and endDocument.
  virtual Canvas& canvas() = 0;

  // Sets the 0.1 mm mapping (y upward) and returns the mode it replaced, for
  // restoreMapping. Called again after every new page.
  virtual int setMetricMapping() = 0;
  virtual void restoreMapping(int previousMode) = 0;
};

}  // namespace zel
