// PageRecorder: the preview's page picture, as DrawPreviewPage records into it.
// The preview owns the picture and its recorder; the engine only draws one page
// into it per request and keeps no reference afterwards.
//
// Order of calls for one page: beginPage, paintPaper, setPageWindow, the
// renderer draws on the returned canvas, restoreMapping, endPage. restoreMapping
// and endPage also follow a failure part-way.
#pragma once

namespace zel {

class Canvas;

class PageRecorder {
 public:
  virtual ~PageRecorder() = default;

  // Starts a new picture of width x height device pixels (80 per inch of the
  // printer's paper) with a white brush, and returns its recording canvas, in
  // device pixels until setPageWindow. The canvas lives until endPage.
  virtual Canvas& beginPage(int width, int height) = 0;
  // Fills (0, 0, width, height) white and draws a border around it with the
  // current pen.
  virtual void paintPaper() = 0;
  // Anisotropic mapping: the window extent (page units, 2100 x 2970 or
  // 2970 x 2100, y downward) is stretched onto the viewport width x height.
  // Remembers the mapping it replaces.
  virtual void setPageWindow(int windowWidth, int windowHeight) = 0;
  virtual void restoreMapping() = 0;
  // Closes the canvas; the picture now holds the page.
  virtual void endPage() = 0;
};

}  // namespace zel
