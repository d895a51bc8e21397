#include "shell_font.h"

#include "font_mapper.h"

namespace zel {

QFont shellFont() {
  // "굴림체" in code page 949, the face the windows were designed with.
  QFont font(FontMapper::fixedFamily());
  font.setPixelSize(12);
  return font;
}

}  // namespace zel
