#pragma once

class QMainWindow;
struct TFormControls;

// Builds the stored layout of the main window into `form`: pictures, control bars with
// their tool bars and buttons, the score view, scroll bar, tempo slider, menus, actions,
// timer and components, with their stored properties, and fills in `controls`. The file
// dialogs are made when first used (FileDialogs.h).
// Events are left unconnected: the window wires them to its handlers once the stored
// values are in place, so building fires none.
void BuildFormLayout(QMainWindow& form, TFormControls& controls);

// Parts of the build, in the order BuildFormLayout runs them.
void BuildPictures(QMainWindow& form, TFormControls& c);
void BuildControls(QMainWindow& form, TFormControls& c);
void BuildActionsAndMenus(QMainWindow& form, TFormControls& c);
void BuildComponents(QMainWindow& form, TFormControls& c);
