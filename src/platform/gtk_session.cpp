#include "platform/gtk_session.h"

#include <gtk/gtk.h>

bool gtkAvailable()
{
    static int started = -1;
    if (started < 0) {
        gtk_disable_setlocale();
        // The game window is an X11 window; dialogs that are to sit above it
        // must live on the same display server.
        gdk_set_allowed_backends("x11,*");
        started = gtk_init_check(nullptr, nullptr) ? 1 : 0;
    }
    return started == 1;
}

void drainGtkEvents()
{
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

namespace {
gboolean takeFocus(GtkWidget* dialog, GdkEvent*, gpointer)
{
    gtk_window_present_with_time(GTK_WINDOW(dialog), GDK_CURRENT_TIME);
    return FALSE;
}
}

void focusWhenMapped(GtkWidget* dialog)
{
    g_signal_connect(dialog, "map-event", G_CALLBACK(takeFocus), nullptr);
}
