#include "ui/variant_look.h"

#include <iterator>
#include <utility>

namespace zentrox::ui {
namespace {

const std::pair<Variant, VariantLook> kLooks[] = {
    {Variant::Monthly,
     {845, false, {"Button3", "Controlul declaratiilor electronice. L U N A R", {128, 0, 0}, true, 16, 89}, "lunar"}},
    {Variant::Quarterly,
     {845,
      false,
      {"Button0", "Controlul declaratiilor electronice. TRIMESTRIAL", {255, 0, 255}, true, 16, 89},
      "trimestrial"}},
    {Variant::Annual,
     {845,
      false,
      {"Button2", "Controlul declaratiilor electronice.  A N U A L.", {255, 0, 0}, false, 19, 89},
      "anual"}},
    {Variant::AnnualOld,
     {837,
      true,
      {"Button1", "Controlul declaratiilor electronice. A N U A L. Formatul vechi.", {0, 0, 128}, true, 16, 65},
      "anual, formatul vechi"}},
};

static_assert(std::size(kLooks) == kVariantCount, "one look per variant");

}  // namespace

const VariantLook& LookOf(Variant variant) {
  for (const auto& [v, look] : kLooks) {
    if (v == variant) return look;
  }
  return kLooks[0].second;
}

}  // namespace zentrox::ui
