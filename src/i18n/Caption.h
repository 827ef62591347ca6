#pragma once
// Caption: one interface text that the language switch replaces, and the table of all 38 in
// the order they are applied. `target` is the objectName of the control or menu item; `item`
// is -1 for the control's own caption, or the index of a radio group's item. Texts are UTF-8.
#include <string>
#include <vector>

struct Caption {
    const char* key;     // key in the language sections
    const char* target;  // objectName of the control
    int item;            // -1, or the radio item 0/1
    const char* polish;  // the text the window starts with
    const char* english; // the default when the key is missing
};

// The 38 captions in the order they are applied and saved.
const std::vector<Caption>& captionTable();
