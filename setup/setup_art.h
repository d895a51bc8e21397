// The installer's look: the page font, the side pictures of the wizard pages and
// the program icon, all drawn here so the program ships no image files.
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace zel::setup {

// The pages' font: a Hangul fixed-pitch face at 12 pixels.
QFont pageFont(bool bold = false);
// The link font: a plain sans face at 11 pixels.
QFont linkFont();

enum class SidePicture { kWelcome, kDirectory };
// A 119 x 260 picture for the left strip of a wizard page.
QPixmap sidePicture(SidePicture which);

QIcon programIcon();

// The maker's web site and support telephone, as the pages show them.
inline constexpr const char* kMakerWebSite = "http://www.velmora-soft.example/";
inline constexpr const char* kSupportTelephone = "02-555-0142";

}  // namespace zel::setup
