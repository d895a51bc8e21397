// The windows' font: the Korean fixed-width system face at 12 pixels, mapped
// to the installed family that stands in for it (Qt knows no Korean face names).
#pragma once

#include <QFont>

namespace zel {

QFont shellFont();

}  // namespace zel
