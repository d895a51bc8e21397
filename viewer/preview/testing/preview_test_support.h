// Helpers the preview's QtTest programs share.
#pragma once

#include <QtTest>

#include "num_edit.h"

namespace zel {

// Replaces the field's text by typing, as a user would after focusing it.
inline void typeInto(TNumberEdit* field, const char* text) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, text);
}

}  // namespace zel
