#include "ui/framework/gtk/gtk_host.h"

#include <gtk/gtk.h>

#include "app/log.h"
#include "platform/codepage.h"
#include "ui/framework/cairo_canvas.h"
#include "ui/framework/font.h"
#include "ui/framework/message_queue.h"
#include "ui/framework/window_base.h"
#include "ui/framework/window_registry.h"

namespace SkinUI {

namespace {

constexpr char kHandleKey[] = "skinui-hwnd";

HWND HandleOf(GtkWidget* widget) { return static_cast<HWND>(g_object_get_data(G_OBJECT(widget), kHandleKey)); }

LPARAM ClientPoint(double x, double y) { return MAKELPARAM(static_cast<int>(x), static_cast<int>(y)); }

WPARAM MouseState(guint state) {
  WPARAM w = 0;
  if (state & GDK_BUTTON1_MASK) w |= MK_LBUTTON;
  if (state & GDK_SHIFT_MASK) w |= MK_SHIFT;
  if (state & GDK_CONTROL_MASK) w |= MK_CONTROL;
  return w;
}

// GDK key values to the Win32 virtual keys the framework reacts to; 0 for the rest.
UINT VirtualKey(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Escape: return VK_ESCAPE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: return VK_RETURN;
    case GDK_KEY_BackSpace: return VK_BACK;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete: return VK_DELETE;
    case GDK_KEY_Tab: return VK_TAB;
    case GDK_KEY_space: return VK_SPACE;
    case GDK_KEY_Left: return VK_LEFT;
    case GDK_KEY_Right: return VK_RIGHT;
    case GDK_KEY_Up: return VK_UP;
    case GDK_KEY_Down: return VK_DOWN;
    case GDK_KEY_Home: return VK_HOME;
    case GDK_KEY_End: return VK_END;
    case GDK_KEY_F4: return VK_F4;
    default: break;
  }
  const guint32 ch = gdk_keyval_to_unicode(keyval);
  if (ch >= 'a' && ch <= 'z') return ch - 'a' + 'A';
  if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) return ch;
  return 0;
}

}  // namespace

// The GTK signal handlers; they only translate and post.
struct GtkHostCallbacks {
  static gboolean Draw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* host = static_cast<GtkHost*>(data);
    const HWND hwnd = HandleOf(widget);
    WindowBase* window = WindowFromHandle(hwnd);
    // Everything the framework does not paint stays transparent.
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    if (!window) return TRUE;
    GdkRectangle clip{};
    Rect dirty{0, 0, window->GetClientSize().cx, window->GetClientSize().cy};
    if (gdk_cairo_get_clip_rectangle(cr, &clip)) dirty = {clip.x, clip.y, clip.x + clip.width, clip.y + clip.height};
    CairoCanvas canvas(cr);
    window->Paint(canvas, dirty);
    if (auto it = host->windows_.find(hwnd); it != host->windows_.end()) it->second.drawn = true;
    return TRUE;
  }

  static gboolean Button(GtkWidget* widget, GdkEventButton* event, gpointer data) {
    if (event->button != 1 || (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE)) return TRUE;
    const HWND hwnd = HandleOf(widget);
    if (event->type == GDK_BUTTON_PRESS) {
      static_cast<GtkHost*>(data)->RememberPress(
          {event->button, static_cast<int>(event->x_root), static_cast<int>(event->y_root), event->time});
      PostMessage(hwnd, WM_LBUTTONDOWN, MouseState(event->state) | MK_LBUTTON, ClientPoint(event->x, event->y));
    } else {
      PostMessage(hwnd, WM_LBUTTONUP, MouseState(event->state) & ~MK_LBUTTON, ClientPoint(event->x, event->y));
    }
    return TRUE;
  }

  static gboolean Motion(GtkWidget* widget, GdkEventMotion* event, gpointer) {
    PostMessage(HandleOf(widget), WM_MOUSEMOVE, MouseState(event->state), ClientPoint(event->x, event->y));
    return TRUE;
  }

  static gboolean Leave(GtkWidget* widget, GdkEventCrossing* event, gpointer) {
    if (event->mode == GDK_CROSSING_NORMAL) PostMessage(HandleOf(widget), WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }

  static gboolean Key(GtkWidget* widget, GdkEventKey* event, gpointer) {
    const HWND hwnd = HandleOf(widget);
    const bool down = event->type == GDK_KEY_PRESS;
    const bool alt = (event->state & GDK_MOD1_MASK) != 0;
    const UINT vk = VirtualKey(event->keyval);
    if (vk) PostMessage(hwnd, alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP), vk, 0);
    if (!down || alt) return TRUE;
    guint32 ch = gdk_keyval_to_unicode(event->keyval);
    // Ctrl with a letter gives its control character, as on Windows (Ctrl+V is 0x16).
    if ((event->state & GDK_CONTROL_MASK) && ch < 0x80 && g_ascii_isalpha(static_cast<gchar>(ch))) ch &= 0x1F;
    if (ch) PostMessage(hwnd, WM_CHAR, ch, 0);
    return TRUE;
  }

  static gboolean Delete(GtkWidget* widget, GdkEvent*, gpointer) {
    // The window decides (the main window refuses while installing); GTK must not destroy it.
    PostMessage(HandleOf(widget), WM_CLOSE, 0, 0);
    return TRUE;
  }

  static gboolean FocusOut(GtkWidget* widget, GdkEventFocus*, gpointer) {
    PostMessage(HandleOf(widget), WM_KILLFOCUS, 0, 0);
    return FALSE;
  }

  static gboolean Configure(GtkWidget* widget, GdkEventConfigure* event, gpointer) {
    if (WindowBase* window = WindowFromHandle(HandleOf(widget))) window->NativeWindowMoved({event->x, event->y});
    return FALSE;
  }

  static gboolean State(GtkWidget* widget, GdkEventWindowState* event, gpointer) {
    if (!(event->changed_mask & GDK_WINDOW_STATE_ICONIFIED)) return FALSE;
    if (WindowBase* window = WindowFromHandle(HandleOf(widget)))
      window->NativeWindowMinimized((event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
    return FALSE;
  }

  static gboolean DrawLayered(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* host = static_cast<GtkHost*>(data);
    const auto it = host->windows_.find(HandleOf(widget));
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    if (it == host->windows_.end() || it->second.picture.Empty()) return TRUE;
    // Both are premultiplied ARGB in native 32-bit words, rows without padding.
    Bitmap& picture = it->second.picture;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(picture.pixels.data()), CAIRO_FORMAT_ARGB32, picture.width, picture.height,
        picture.width * 4);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(surface);
    it->second.drawn = true;
    return TRUE;
  }

  // The owner came up or was activated: its shadows go back just below it.
  static gboolean OwnerRaised(GtkWidget* widget, GdkEvent*, gpointer data) {
    static_cast<GtkHost*>(data)->RestackLayeredWindowsOf(HandleOf(widget));
    return FALSE;
  }

  static void CompositedChanged(GdkScreen*, gpointer data) {
    auto* host = static_cast<GtkHost*>(data);
    for (auto& [hwnd, native] : host->windows_)
      if (native.layered) host->ApplyLayeredVisibility(native);
  }

  static gboolean TimeoutFired(gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
  }
};

GtkHost::GtkHost() : previous_(CurrentHost()) {
  // The face aliases must be in place before GTK opens its font map.
  InitializeFonts();
  // Every picture is drawn with cairo into app-paintable windows; GDK's OpenGL probe at display
  // opening (a GLX round trip that software renderers answer slowly) only delays the first frame.
  // A GDK_GL the user set is kept.
  g_setenv("GDK_GL", "disable", FALSE);
  available_ = gtk_init_check(nullptr, nullptr);
  if (!available_) WRITE_LOG(L"no display: GTK could not start\r\n");
  if (available_)
    g_signal_connect(gdk_screen_get_default(), "composited-changed", G_CALLBACK(GtkHostCallbacks::CompositedChanged), this);
  SetCurrentHost(this);
}

GtkHost::~GtkHost() {
  if (available_) g_signal_handlers_disconnect_by_data(gdk_screen_get_default(), this);
  for (auto& [hwnd, native] : windows_) gtk_widget_destroy(native.widget);
  windows_.clear();
  MessageQueue::ForCurrentThread().Clear();
  SetCurrentHost(previous_);
}

GtkWidget* GtkHost::WidgetOf(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second.widget;
}

bool GtkHost::CreateNativeWindow(HWND hwnd, HWND owner, const std::wstring& title) {
  if (!available_) return false;
  GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(widget);
  g_object_set_data(G_OBJECT(widget), kHandleKey, hwnd);
  gtk_window_set_title(window, Platform::WideToUtf8(title).c_str());
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_resizable(window, FALSE);
  gtk_widget_set_app_paintable(widget, TRUE);
  if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(widget))) gtk_widget_set_visual(widget, rgba);
  if (GtkWidget* ownerWidget = WidgetOf(owner)) gtk_window_set_transient_for(window, GTK_WINDOW(ownerWidget));
  gtk_widget_add_events(widget, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_LEAVE_NOTIFY_MASK | GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                                    GDK_FOCUS_CHANGE_MASK | GDK_STRUCTURE_MASK);
  g_signal_connect(widget, "draw", G_CALLBACK(GtkHostCallbacks::Draw), this);
  g_signal_connect(widget, "button-press-event", G_CALLBACK(GtkHostCallbacks::Button), this);
  g_signal_connect(widget, "button-release-event", G_CALLBACK(GtkHostCallbacks::Button), this);
  g_signal_connect(widget, "motion-notify-event", G_CALLBACK(GtkHostCallbacks::Motion), this);
  g_signal_connect(widget, "leave-notify-event", G_CALLBACK(GtkHostCallbacks::Leave), this);
  g_signal_connect(widget, "key-press-event", G_CALLBACK(GtkHostCallbacks::Key), this);
  g_signal_connect(widget, "key-release-event", G_CALLBACK(GtkHostCallbacks::Key), this);
  g_signal_connect(widget, "delete-event", G_CALLBACK(GtkHostCallbacks::Delete), this);
  g_signal_connect(widget, "focus-out-event", G_CALLBACK(GtkHostCallbacks::FocusOut), this);
  g_signal_connect(widget, "configure-event", G_CALLBACK(GtkHostCallbacks::Configure), this);
  g_signal_connect(widget, "window-state-event", G_CALLBACK(GtkHostCallbacks::State), this);
  g_signal_connect(widget, "map-event", G_CALLBACK(GtkHostCallbacks::OwnerRaised), this);
  g_signal_connect(widget, "focus-in-event", G_CALLBACK(GtkHostCallbacks::OwnerRaised), this);
  Native native;
  native.widget = widget;
  windows_[hwnd] = std::move(native);
  return true;
}

bool GtkHost::SupportsLayeredWindows() {
  return available_ && gdk_screen_get_rgba_visual(gdk_screen_get_default()) != nullptr;
}

bool GtkHost::CreateLayeredWindow(HWND hwnd, HWND owner) {
  if (!SupportsLayeredWindows()) return false;
  GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(widget);
  g_object_set_data(G_OBJECT(widget), kHandleKey, hwnd);
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_skip_taskbar_hint(window, TRUE);
  gtk_window_set_skip_pager_hint(window, TRUE);
  gtk_window_set_accept_focus(window, FALSE);
  gtk_window_set_focus_on_map(window, FALSE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DND);
  gtk_widget_set_app_paintable(widget, TRUE);
  gtk_widget_set_visual(widget, gdk_screen_get_rgba_visual(gtk_widget_get_screen(widget)));
  // Clicks go through to whatever lies below.
  cairo_region_t* noInput = cairo_region_create();
  gtk_widget_input_shape_combine_region(widget, noInput);
  cairo_region_destroy(noInput);
  g_signal_connect(widget, "draw", G_CALLBACK(GtkHostCallbacks::DrawLayered), this);
  Native native;
  native.widget = widget;
  native.layered = true;
  native.owner = owner;
  windows_[hwnd] = std::move(native);
  return true;
}

void GtkHost::UpdateLayeredWindow(HWND hwnd, const Rect& screen, const Bitmap& picture) {
  const auto it = windows_.find(hwnd);
  if (it == windows_.end() || !it->second.layered) return;
  it->second.picture = picture;
  SetNativeWindowRect(hwnd, screen);
  gtk_widget_queue_draw(it->second.widget);
  ApplyLayeredVisibility(it->second);
}

void GtkHost::ApplyLayeredVisibility(Native& native) {
  const bool on = native.wanted && !native.picture.Empty() && gdk_screen_is_composited(gtk_widget_get_screen(native.widget));
  if (on != static_cast<bool>(gtk_widget_get_visible(native.widget))) {
    if (on) gtk_widget_show(native.widget);
    else gtk_widget_hide(native.widget);
  }
  if (on) StackBelowOwner(native);
}

void GtkHost::StackBelowOwner(const Native& native) {
  GtkWidget* owner = WidgetOf(native.owner);
  GdkWindow* below = gtk_widget_get_window(native.widget);
  GdkWindow* above = owner && gtk_widget_get_mapped(owner) ? gtk_widget_get_window(owner) : nullptr;
  if (below && above) gdk_window_restack(below, above, FALSE);
}

void GtkHost::RestackLayeredWindowsOf(HWND owner) {
  for (auto& [hwnd, native] : windows_)
    if (native.layered && native.owner == owner && gtk_widget_get_visible(native.widget)) StackBelowOwner(native);
}

void GtkHost::DestroyNativeWindow(HWND hwnd) {
  const auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  GtkWidget* widget = it->second.widget;
  windows_.erase(it);
  g_signal_handlers_disconnect_by_data(widget, this);
  gtk_widget_destroy(widget);
}

void GtkHost::ShowNativeWindow(HWND hwnd, bool show, bool activate) {
  const auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  GtkWidget* widget = it->second.widget;
  if (it->second.layered) {
    it->second.wanted = show;
    ApplyLayeredVisibility(it->second);
    return;
  }
  if (!show) {
    gtk_widget_hide(widget);
    return;
  }
  gtk_window_set_accept_focus(GTK_WINDOW(widget), activate);
  gtk_widget_show(widget);
  if (activate) gtk_window_present(GTK_WINDOW(widget));
  RestackLayeredWindowsOf(hwnd);
}

void GtkHost::SetNativeWindowRect(HWND hwnd, const Rect& screen) {
  GtkWidget* widget = WidgetOf(hwnd);
  if (!widget || screen.Width() <= 0 || screen.Height() <= 0) return;
  GtkWindow* window = GTK_WINDOW(widget);
  gtk_widget_set_size_request(widget, screen.Width(), screen.Height());
  gtk_window_resize(window, screen.Width(), screen.Height());
  gtk_window_move(window, screen.left, screen.top);
}

void GtkHost::SetNativeWindowRegion(HWND hwnd, const WindowRegion& region) {
  GtkWidget* widget = WidgetOf(hwnd);
  if (!widget) return;
  bool rectangular = true;
  for (int y = 0; y < region.Height() && rectangular; ++y)
    rectangular = region.Row(y) == std::make_pair(0, region.Width());
  if (rectangular) {
    gtk_widget_shape_combine_region(widget, nullptr);
    return;
  }
  cairo_region_t* shape = cairo_region_create();
  for (int y = 0; y < region.Height(); ++y) {
    const auto [start, end] = region.Row(y);
    if (end > start) {
      const cairo_rectangle_int_t row{start, y, end - start, 1};
      cairo_region_union_rectangle(shape, &row);
    }
  }
  gtk_widget_shape_combine_region(widget, shape);
  cairo_region_destroy(shape);
}

void GtkHost::SetNativeWindowTitle(HWND hwnd, const std::wstring& title) {
  if (GtkWidget* widget = WidgetOf(hwnd)) gtk_window_set_title(GTK_WINDOW(widget), Platform::WideToUtf8(title).c_str());
}

void GtkHost::SetNativeModal(HWND hwnd, bool modal) {
  if (GtkWidget* widget = WidgetOf(hwnd)) gtk_window_set_modal(GTK_WINDOW(widget), modal);
}

void GtkHost::InvalidateNativeWindow(HWND hwnd, const Rect& client) {
  GtkWidget* widget = WidgetOf(hwnd);
  if (!widget || client.IsEmpty()) return;
  gtk_widget_queue_draw_area(widget, client.left, client.top, client.Width(), client.Height());
}

void GtkHost::MinimizeNativeWindow(HWND hwnd) {
  if (GtkWidget* widget = WidgetOf(hwnd)) gtk_window_iconify(GTK_WINDOW(widget));
}

void GtkHost::BringNativeWindowToFront(HWND hwnd) {
  GtkWidget* widget = WidgetOf(hwnd);
  if (!widget || !gtk_widget_get_visible(widget)) return;
  gtk_window_present(GTK_WINDOW(widget));
  RestackLayeredWindowsOf(hwnd);
}

void GtkHost::BeginNativeMoveDrag(HWND hwnd, Point) {
  if (GtkWidget* widget = WidgetOf(hwnd); widget && lastPress_.button)
    gtk_window_begin_move_drag(GTK_WINDOW(widget), static_cast<gint>(lastPress_.button), lastPress_.rootX,
                               lastPress_.rootY, lastPress_.time);
}

Rect GtkHost::GetWorkArea(const Rect& near) {
  GdkDisplay* display = available_ ? gdk_display_get_default() : nullptr;
  if (!display) return {0, 0, 1024, 768};
  GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, (near.left + near.right) / 2, (near.top + near.bottom) / 2);
  if (!monitor) monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) return {0, 0, 1024, 768};
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  return {area.x, area.y, area.x + area.width, area.y + area.height};
}

void GtkHost::WaitForEvents(MessageQueue& queue, std::optional<uint32_t> timeoutMs) {
  if (queue.HasPostedMessages() || !available_) return;
  bool fired = false;
  const guint source = timeoutMs ? g_timeout_add(*timeoutMs, &GtkHostCallbacks::TimeoutFired, &fired) : 0;
  // Returns after dispatching native events, when the timeout fires, or when Wake is called.
  g_main_context_iteration(nullptr, TRUE);
  if (source && !fired) g_source_remove(source);
}

void GtkHost::Wake() { g_main_context_wakeup(nullptr); }

bool GtkHost::RunUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
  const uint64_t deadline = SystemClock().NowMs() + timeoutMs;
  MessageQueue& queue = MessageQueue::ForCurrentThread();
  for (;;) {
    while (available_ && g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
    if (!PumpPendingMessages()) return done();
    if (done()) return true;
    const uint64_t now = SystemClock().NowMs();
    if (now >= deadline) return false;
    uint32_t wait = static_cast<uint32_t>(std::min<uint64_t>(deadline - now, 20));
    if (const std::optional<uint64_t> next = queue.NextTimerDue())
      wait = static_cast<uint32_t>(std::min<uint64_t>(wait, *next > now ? *next - now : 0));
    WaitForEvents(queue, wait);
  }
}

std::optional<Rect> GtkHost::NativeFrame(HWND hwnd) const {
  GtkWidget* widget = WidgetOf(hwnd);
  if (!widget) return std::nullopt;
  GdkWindow* gdkWindow = gtk_widget_get_window(widget);
  if (!gdkWindow || !gtk_widget_get_mapped(widget)) return std::nullopt;
  int x = 0, y = 0;
  gdk_window_get_origin(gdkWindow, &x, &y);
  return Rect{x, y, x + gdk_window_get_width(gdkWindow), y + gdk_window_get_height(gdkWindow)};
}

bool GtkHost::HasDrawn(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it != windows_.end() && it->second.drawn;
}

std::optional<std::wstring> GtkHost::BrowseForFolder(HWND owner, const std::wstring& title) {
  if (!available_) return std::nullopt;
  GtkWidget* parent = WidgetOf(owner);
  GtkWidget* dialog = gtk_file_chooser_dialog_new(Platform::WideToUtf8(title).c_str(), parent ? GTK_WINDOW(parent) : nullptr,
                                                  GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel", GTK_RESPONSE_CANCEL,
                                                  "_Select", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog), TRUE);
  // FIXME: gtk_dialog_run runs GTK's own loop; the framework's posted messages and timers wait
  // until the picker is closed.
  std::optional<std::wstring> chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    if (gchar* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
      chosen = Platform::Utf8ToWide(path);
      g_free(path);
    }
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

std::wstring GtkHost::GetClipboardText() {
  if (!available_) return {};
  gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  if (!text) return {};
  std::wstring out = Platform::Utf8ToWide(text);
  g_free(text);
  return out;
}

void GtkHost::SetClipboardText(const std::wstring& text) {
  if (!available_) return;
  const std::string utf8 = Platform::WideToUtf8(text);
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), utf8.c_str(), static_cast<gint>(utf8.size()));
}

}  // namespace SkinUI
