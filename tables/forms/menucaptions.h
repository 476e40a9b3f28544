// The captions the table browser's menu takes from the program's main menu
// (the items of the same meaning, in the program's language). Apart from the
// browser window, so that the main window can fill them without the engine's
// headers.
#pragma once

#include <QString>

namespace kor2 {

struct Dbf4MenuCaptions {
    QString file, print, exit, edit, view, help;
    QString common;  // the main menu's database menu
    QString datei;   // the main menu's file menu
};

}  // namespace kor2
