#include "app/X11Clipboard.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

using TClock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPatience{2000};
// The text targets, those that name their encoding first.
constexpr std::array<std::string_view, 5> kTextTargets = {"text/plain;charset=utf-8", "UTF8_STRING",
                                                          "text/plain", "STRING", "TEXT"};

struct TFree {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using TReply = std::unique_ptr<T, TFree>;

class TConnection {
 public:
  TConnection() : c_(xcb_connect(nullptr, nullptr)) {}
  ~TConnection() {
    if (window_ != 0) xcb_destroy_window(c_, window_);
    xcb_disconnect(c_);
  }
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  bool Open() {
    if (xcb_connection_has_error(c_) != 0) return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    if (screen == nullptr) return false;
    window_ = xcb_generate_id(c_);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    return true;
  }

  xcb_atom_t Atom(std::string_view name) {
    const TReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }

  // The selection converted to `target`: its bytes, or nothing when the owner refuses.
  std::optional<QByteArray> Convert(xcb_atom_t selection, xcb_atom_t target, std::size_t limit) {
    const xcb_atom_t property = Atom("POMVIK_CLIPBOARD");
    xcb_convert_selection(c_, window_, selection, target, property, XCB_CURRENT_TIME);
    xcb_flush(c_);
    const TReply<xcb_generic_event_t> notify = Wait(XCB_SELECTION_NOTIFY, XCB_ATOM_NONE);
    if (!notify) return std::nullopt;
    const auto* answer = reinterpret_cast<const xcb_selection_notify_event_t*>(notify.get());
    if (answer->property == XCB_ATOM_NONE) return std::nullopt;
    QByteArray bytes;
    xcb_atom_t type = XCB_ATOM_NONE;
    if (!Take(property, bytes, type, limit)) return std::nullopt;
    if (type != Atom("INCR")) return bytes;
    // A large text comes in pieces, each announced by a new value of the property.
    bytes.clear();
    for (;;) {
      if (!Wait(XCB_PROPERTY_NOTIFY, property)) return std::nullopt;
      QByteArray piece;
      if (!Take(property, piece, type, limit)) return std::nullopt;
      if (piece.isEmpty()) return bytes;
      bytes += piece;
      if (static_cast<std::size_t>(bytes.size()) > limit) return bytes;
    }
  }

 private:
  // Reads and deletes the property; false when it cannot be read.
  bool Take(xcb_atom_t property, QByteArray& bytes, xcb_atom_t& type, std::size_t limit) {
    const auto words = static_cast<uint32_t>(limit / 4 + 2);
    const TReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c_, xcb_get_property(c_, 1, window_, property, XCB_GET_PROPERTY_TYPE_ANY, 0, words),
        nullptr));
    xcb_flush(c_);
    if (!reply) return false;
    type = reply->type;
    const int length = xcb_get_property_value_length(reply.get());
    bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
    return true;
  }

  // The next event of `kind` (for a property change, a new value of `property`).
  TReply<xcb_generic_event_t> Wait(uint8_t kind, xcb_atom_t property) {
    const TClock::time_point until = TClock::now() + kPatience;
    for (;;) {
      while (TReply<xcb_generic_event_t> event{xcb_poll_for_event(c_)}) {
        if ((event->response_type & 0x7F) != kind) continue;
        if (kind != XCB_PROPERTY_NOTIFY) return event;
        const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (change->atom == property && change->state == XCB_PROPERTY_NEW_VALUE) return event;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(until - TClock::now()).count();
      if (left <= 0 || xcb_connection_has_error(c_) != 0) return nullptr;
      pollfd ready{xcb_get_file_descriptor(c_), POLLIN, 0};
      poll(&ready, 1, static_cast<int>(left));
    }
  }

  xcb_connection_t* c_;
  xcb_window_t window_ = 0;
};

}  // namespace

std::optional<QByteArray> X11ClipboardText(std::size_t limit) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return std::nullopt;
  TConnection x;
  if (!x.Open()) return std::nullopt;
  const xcb_atom_t clipboard = x.Atom("CLIPBOARD");
  for (const std::string_view target : kTextTargets)
    if (std::optional<QByteArray> bytes = x.Convert(clipboard, x.Atom(target), limit)) return bytes;
  return std::nullopt;
}
