#pragma once

#include "framework/Text.h"

// The Names of the menu items that carry the program's commands. Start-up binds each command's handler
// under the same constant, so item and handler match byte for byte.
namespace ui::menu_names {

inline const framework::String kAbout = "AppleOKinolek";
inline const framework::String kMakerPage = "AppleOdwiedźstronęOrvel";
inline const framework::String kFeedback = "AppleSkomentujdziałanieKinolek…";
inline const framework::String kHelp = "PomocPomocKinolek";
inline const framework::String kConvertFromDisk = "PlikOdtwarzajfilmzdysku";
inline const framework::String kConvertLibrary = "PlikZamienwieleplikow";
inline const framework::String kConverterPage = "AppleOdwiedstronclit";
inline const framework::String kConvertToEpub = "PlikZamienNaEpub";

} // namespace ui::menu_names
