#include "platform/gtk_session.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include "platform/display_loss.h"
#include "platform/file_dialogs.h"

bool gtkAvailable()
{
    static int started = -1;
    if (started < 0) {
        gtk_disable_setlocale();
        // The game window is an X11 window; dialogs that are to sit above it
        // must live on the same display server.
        gdk_set_allowed_backends("x11,*");
        started = gtk_init_check(nullptr, nullptr) ? 1 : 0;
        keepWatchingForLostDisplay();   // the toolkit puts in a handler of its own
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

GdkWindow* ownByGameWindow(GtkWidget* dialog)
{
    GdkWindow* owner = nullptr;
#ifdef GDK_WINDOWING_X11
    const unsigned long handle = windowHandle();
    GdkDisplay* display = gtk_widget_get_display(dialog);
    if (handle == 0 || !GDK_IS_X11_DISPLAY(display)) return nullptr;
    gtk_widget_realize(dialog);
    owner = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(handle));
    if (owner) gdk_window_set_transient_for(gtk_widget_get_window(dialog), owner);
#endif
    return owner;
}
