#pragma once

#include <QObject>

#include <functional>

// Virtual-key codes the key handlers speak.
namespace Vk {
constexpr int Enter = 13;
constexpr int PageUp = 33;
constexpr int PageDown = 34;
constexpr int F1 = 112;
constexpr int F2 = 113;
constexpr int F3 = 114;
constexpr int F4 = 115;
constexpr int F5 = 116;
constexpr int F6 = 117;
constexpr int F7 = 118;
constexpr int F8 = 119;
constexpr int F11 = 122;
constexpr int F12 = 123;
} // namespace Vk

// The virtual-key code of a Qt key, 0 for keys the handlers never see.
int toVirtualKey(int qtKey);

// Calls the handler with the key's code before the control handles the key itself,
// and never eats the key: the control still types, moves or selects as usual.
class KeyDownFilter : public QObject
{
public:
    using Handler = std::function<void(QObject *control, int keyCode)>;
    KeyDownFilter(Handler handler, QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
};
