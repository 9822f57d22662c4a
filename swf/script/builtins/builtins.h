// One installer per family of built-ins. The realm calls them in this order
// when a machine starts; each adds its constructors, prototypes and global
// functions to the realm (Realm::defineClass, defineMethod...).
#pragma once

#include <string>
#include <string_view>

#include "swf/script/object.h"

namespace swf::script {

class Realm;

// escape() and unescape() on raw text: %XX for every byte but letters and
// digits; back again, with "+" as a space (builtins/global.cpp).
std::string escapeText(std::string_view s);
std::string unescapeText(std::string_view s);

// Math's function of native number `index` (ASnative(200, index)).
NativeFn mathNative(double index);

void installObject(Realm& realm);    // Object, Object.prototype (builtins/object.cpp)
void installFunction(Realm& realm);  // Function, call, apply (builtins/function.cpp)
void installBoolean(Realm& realm);   // Boolean (builtins/boolean.cpp)
void installError(Realm& realm);     // Error (builtins/error.cpp)
void installGlobal(Realm& realm);    // trace, parseInt, parseFloat, isNaN, isFinite, escape, unescape,
    // setInterval, clearInterval, setTimeout, ASSetPropFlags, ASnative (builtins/global.cpp)
void installArray(Realm& realm);        // Array (builtins/array.cpp)
void installString(Realm& realm);       // String (builtins/string.cpp)
void installNumber(Realm& realm);       // Number (builtins/number.cpp)
void installMath(Realm& realm);         // Math (builtins/math.cpp)
void installDate(Realm& realm);         // Date (builtins/date.cpp)
void installXml(Realm& realm);          // XMLNode, XML (builtins/xml.cpp)
void installBroadcaster(Realm& realm);  // AsBroadcaster, Camera, ContextMenu, TextSnapshot (builtins/broadcaster.cpp)
void installGeom(Realm& realm);         // the flash.geom package (builtins/geom.cpp)
void installLoadVars(Realm& realm);     // LoadVars (builtins/loadvars.cpp)
void installBitmapData(Realm& realm);   // flash.display.BitmapData (builtins/bitmapdata*.cpp)
void installMovieClipLoader(Realm& realm);  // MovieClipLoader's loads (builtins/movieclip_loader.cpp)
void installMovieClip(Realm& realm);        // MovieClip's timeline methods (builtins/movieclip.cpp)
void installColorTransform(Realm& realm);   // flash.geom.ColorTransform (builtins/color_transform.cpp)
void installColor(Realm& realm);            // Color, through Host::colorTransform (builtins/color.cpp)
void installSystem(Realm& realm);           // System: capabilities, security, Product (builtins/system.cpp)

// What $version and System.capabilities.version say ("LNX 9,0,0,0").
const char* playerVersionString();
void installTextFormat(Realm& realm);        // TextFormat (builtins/textformat.cpp)
void installTextField(Realm& realm);         // TextField, MovieClip.createTextField (builtins/textfield.cpp)
void installSelection(Realm& realm);         // Selection (builtins/selection.cpp)
void installKey(Realm& realm);               // Key's methods and key codes, once Key exists (builtins/key.cpp)
void installMouse(Realm& realm);             // Mouse.show and Mouse.hide, once Mouse exists (builtins/mouse.cpp)
void installMovieClipDrawing(Realm& realm);  // lineStyle, beginFill, lineTo... (builtins/movieclip_drawing.cpp)

}  // namespace swf::script
