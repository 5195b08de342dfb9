// GTK started once for the game's few dialogs.
#pragma once

// Starts GTK on first use and says whether dialogs can be shown. GTK leaves
// the C locale alone, so numbers in level files keep their decimal point.
bool gtkAvailable();
// Runs GTK's pending work, so a closed dialog is really gone from the screen.
void drainGtkEvents();

typedef struct _GtkWidget GtkWidget;
// Gives the dialog the keyboard as soon as it is on screen, also where no
// window manager hands focus to new windows.
void focusWhenMapped(GtkWidget* dialog);

typedef struct _GdkWindow GdkWindow;
// Makes the dialog transient for the game window, so that it stays above
// it as its owner. Returns the foreign window to release with
// g_object_unref once the dialog is gone, or null when there is none.
GdkWindow* ownByGameWindow(GtkWidget* dialog);
