#include "platform/global_hotkey.h"

#include "platform/x11/x11_hotkey.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace platform {
namespace {

// A key with its own virtual-key code: X keysym and the name a US keyboard shows.
struct KeyRow
{
    int virtualKey;
    quint32 keysym;
    const char* name;
};

// Letters, digits and function keys follow from their ranges (see rowOf); these are the rest.
constexpr KeyRow kKeys[] = {
    {8, 0xff08, "Backspace"},     {9, 0xff09, "Tab"},           {12, 0xff9d, "Num 5"},
    {13, 0xff0d, "Enter"},        {16, 0xffe1, "Shift"},        {17, 0xffe3, "Ctrl"},
    {18, 0xffe9, "Alt"},          {19, 0xff13, "Pause"},        {20, 0xffe5, "Caps Lock"},
    {27, 0xff1b, "Esc"},          {32, 0x0020, "Space"},        {33, 0xff55, "Page Up"},
    {34, 0xff56, "Page Down"},    {35, 0xff57, "End"},          {36, 0xff50, "Home"},
    {37, 0xff51, "Left"},         {38, 0xff52, "Up"},           {39, 0xff53, "Right"},
    {40, 0xff54, "Down"},         {44, 0xff61, "Prnt Scrn"},    {45, 0xff63, "Insert"},
    {46, 0xffff, "Delete"},       {91, 0xffeb, "Left Windows"}, {93, 0xff67, "Application"},
    {106, 0xffaa, "Num *"},       {107, 0xffab, "Num +"},       {109, 0xffad, "Num -"},
    {110, 0xffae, "Num Del"},     {111, 0xffaf, "Num /"},       {144, 0xff7f, "Num Lock"},
    {145, 0xff14, "Scroll Lock"}, {186, 0x003b, ";"},           {187, 0x003d, "="},
    {188, 0x002c, ","},           {189, 0x002d, "-"},           {190, 0x002e, "."},
    {191, 0x002f, "/"},           {192, 0x0060, "`"},           {219, 0x005b, "["},
    {220, 0x005c, "\\"},          {221, 0x005d, "]"},           {222, 0x0027, "'"},
};

struct NamedKey
{
    quint32 keysym = 0;
    QString name;
};

NamedKey rowOf(int vk)
{
    if (vk >= '0' && vk <= '9')
        return {static_cast<quint32>(vk), QString(QChar(vk))};
    if (vk >= 'A' && vk <= 'Z') // X names letter keys by their lower-case keysym
        return {static_cast<quint32>(vk - 'A' + 'a'), QString(QChar(vk))};
    if (vk >= 96 && vk <= 105) // number pad 0 ... 9
        return {static_cast<quint32>(0xffb0 + vk - 96), QStringLiteral("Num %1").arg(vk - 96)};
    if (vk >= 112 && vk <= 135) // F1 ... F24
        return {static_cast<quint32>(0xffbe + vk - 112), QStringLiteral("F%1").arg(vk - 111)};
    for (const KeyRow& row : kKeys) {
        if (row.virtualKey == vk)
            return {row.keysym, QLatin1String(row.name)};
    }
    return {};
}

// Qt keys that are not letters, digits or function keys, with their virtual-key codes. Shifted
// symbols of a US keyboard stand for their unshifted key.
struct QtKeyRow
{
    int qtKey;
    int virtualKey;
};

constexpr QtKeyRow kQtKeys[] = {
    {Qt::Key_Backspace, 8},     {Qt::Key_Tab, 9},
    {Qt::Key_Backtab, 9},       {Qt::Key_Clear, 12},
    {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},        {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},          {Qt::Key_AltGr, 18},
    {Qt::Key_Pause, 19},        {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},       {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},       {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},          {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},         {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},        {Qt::Key_Down, 40},
    {Qt::Key_Print, 44},        {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},       {Qt::Key_Meta, 91},
    {Qt::Key_Super_L, 91},      {Qt::Key_Super_R, 91},
    {Qt::Key_Menu, 93},         {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},  {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},       {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},        {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},        {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},  {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},     {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},  {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},   {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},         {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},  {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},          {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},      {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
};

// Number-pad keys reported with Qt's keypad modifier.
constexpr QtKeyRow kKeypadKeys[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},  {Qt::Key_Minus, 109},
    {Qt::Key_Period, 110},   {Qt::Key_Comma, 110}, {Qt::Key_Slash, 111},
};

x11::HotKeyModifier x11Modifier(int modifierKey)
{
    switch (modifierKey) {
    case VkShift:
        return x11::HotKeyModifier::Shift;
    case VkControl:
        return x11::HotKeyModifier::Control;
    case VkAlt:
        return x11::HotKeyModifier::Alt;
    case VkWin:
        return x11::HotKeyModifier::Super;
    default:
        return x11::HotKeyModifier::None;
    }
}

class X11HotKey final : public GlobalHotKey
{
public:
    X11HotKey() : grab_([this] { Q_EMIT activated(); }) {}
    bool grab(int mainKey, int modifierKey) override
    {
        return grab_.grab(keysymOfVirtualKey(mainKey), x11Modifier(modifierKey));
    }
    void release() override { grab_.release(); }
    bool isGrabbed() const override { return grab_.isGrabbed(); }

private:
    x11::KeyGrab grab_;
};

// Without an X11 display there is no system-wide key to take.
class NullHotKey final : public GlobalHotKey
{
public:
    bool grab(int, int) override { return false; }
    void release() override {}
    bool isGrabbed() const override { return false; }
};

} // namespace

QString keyName(int virtualKey)
{
    return rowOf(virtualKey).name;
}

quint32 keysymOfVirtualKey(int virtualKey)
{
    return rowOf(virtualKey).keysym;
}

int virtualKeyOf(const QKeyEvent& event)
{
    const int key = event.key();
    if (event.modifiers().testFlag(Qt::KeypadModifier)) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return 96 + key - Qt::Key_0;
        for (const QtKeyRow& row : kKeypadKeys) {
            if (row.qtKey == key)
                return row.virtualKey;
        }
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key; // the same codes as the virtual keys
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + key - Qt::Key_F1;
    for (const QtKeyRow& row : kQtKeys) {
        if (row.qtKey == key)
            return row.virtualKey;
    }
    return 0;
}

std::unique_ptr<GlobalHotKey> GlobalHotKey::create()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11HotKey>();
    return std::make_unique<NullHotKey>();
}

} // namespace platform
