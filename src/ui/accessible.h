#pragma once

#include <QObject>
#include <vector>

class QWidget;

namespace tamarack {

// What a screen reader and the keyboard meet in a window, kept in one place so that no window has
// to get it right by hand:
// - a label is announced by the text it shows, never by a name given to it in code (a caption
//   whose text changes, such as the setup window's "Factory Default" / "New Value", would
//   otherwise be announced by a name that no longer matches what is on the screen);
// - Tab walks the controls in reading order: row by row, left to right, as laid out.

// Drops any accessible name given to a text label of `window`, so the label reads as its text.
// Picture labels (a lamp, the logo) keep theirs: they have no text to read.
void NameLabelsByText(QWidget* window);

// The controls of `window` that Tab stops at, in reading order as laid out: a grid row by row,
// left to right; a form label before field; a row or column of controls in its order; a framed
// group or nested layout read whole where it stands (so a column of buttons beside the groups
// comes after them, not threaded through them). Controls placed by hand, without a layout, go
// row by row, left to right by their place: a control starts a new row when its top lies below
// the middle of the row's first one. A scroll area's content is read in place; a compound
// control (a spin box, an editable list) is one stop. Hidden controls are left out.
std::vector<QWidget*> ReadingOrder(QWidget* window);

// Chains the Tab order of `window` in reading order. A scroll area that holds controls stops
// being a Tab stop itself.
void SetReadingTabOrder(QWidget* window);

// Applies both of the above every time `window` is shown, when its layout has placed everything.
// CModalDlg does this for every window; a tool window built on a plain QWidget calls it itself.
void KeepAccessible(QWidget* window);

}  // namespace tamarack
