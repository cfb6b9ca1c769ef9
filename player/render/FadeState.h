#pragma once
// The fade-in of a scene's picture: filled by the scene commands, consumed
// by every opaque draw of a bitmap.

#include <cstdint>
#include <string>

namespace parvel::render {

struct FadeState {
    // Fading is off exactly when this is "FALSE" (case matters).
    std::string FadeSwitch = "FALSE";
    // Converted to a whole number at every fading draw: the constant alpha
    // on the scale 0…255 ("50" is 50 of 255, not 50 %).
    std::string FadeAlpha;
    // Fading draws that blend with FadeAlpha; later ones blend with 0.
    std::int16_t FadeStepLimit = 0;
    // Fading draws done in this scene; reset by every scene start.
    std::int16_t FadeStepCount = 0;
};

// The fading draw always covers this area at the origin of the target.
inline constexpr int kFadeWidth = 200;
inline constexpr int kFadeHeight = 112;

}  // namespace parvel::render
