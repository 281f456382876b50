#pragma once

class TForm1;

// Builds the stored layout of the main window: pictures, control bars with their tool
// bars and buttons, the score view, scroll bar, tempo slider, menus, actions, dialogs,
// timer and components, with their stored properties and wiring.
void BuildFormLayout(TForm1& form);

// Parts of the build, in the order BuildFormLayout runs them.
void BuildPictures(TForm1& form);
void BuildControls(TForm1& form);
void BuildActionsAndMenus(TForm1& form);
void BuildComponents(TForm1& form);
