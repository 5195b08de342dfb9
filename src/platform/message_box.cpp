#include "platform/message_box.h"

#include <gtk/gtk.h>

#include "platform/gtk_session.h"

bool askFullscreen()
{
    if (!gtkAvailable()) return true;

    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                            GTK_BUTTONS_YES_NO, "%s", "Fullscreen?");
    gtk_window_set_title(GTK_WINDOW(box), "Tiltmoor");
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    // Return answers Yes, as the box's first button does elsewhere.
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_YES);
    if (GtkWidget* yes = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_YES))
        gtk_widget_grab_focus(yes);
    focusWhenMapped(box);
    const gint answer = gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    drainGtkEvents();
    // Only an explicit No gives a window.
    return answer != GTK_RESPONSE_NO;
}

void showErrorBox(const char* message)
{
    if (!gtkAvailable()) return;

    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s",
                                            message ? message : "");
    gtk_window_set_title(GTK_WINDOW(box), "Level file error");
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    GdkWindow* owner = ownByGameWindow(box);
    focusWhenMapped(box);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    if (owner) g_object_unref(owner);
    drainGtkEvents();
}
