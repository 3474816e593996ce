// How each variant looks: its checker window's width and background and its
// start-menu button. A further variant adds its row here.
#pragma once

#include "model/variant.h"
#include "report/protocol.h"

namespace zentrox::ui {

// A start-menu button.
struct MenuButton {
  const char* object_name;  // "Button3", ...
  const char* caption;
  Rgb color;
  bool bold;
  int pixels;  // font size
  int height;
};

struct VariantLook {
  int window_width;
  bool highlight_background;  // the old-format window stands out
  MenuButton menu_button;
  const char* name;  // the variant in a heading: "trimestrial", ...
};

const VariantLook& LookOf(Variant variant);

}  // namespace zentrox::ui
