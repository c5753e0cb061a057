#pragma once

#include <Qt>

// The Alt hot key of a skin button: none, Alt+F1 ... Alt+F10, Alt+A ... Alt+Z.
enum class TSkinHotKey {
    None,
    QBAlt_F1, QBAlt_F2, QBAlt_F3, QBAlt_F4, QBAlt_F5, QBAlt_F6, QBAlt_F7, QBAlt_F8, QBAlt_F9, QBAlt_F10,
    QBAlt_A, QBAlt_B, QBAlt_C, QBAlt_D, QBAlt_E, QBAlt_F, QBAlt_G, QBAlt_H, QBAlt_I, QBAlt_J, QBAlt_K,
    QBAlt_L, QBAlt_M, QBAlt_N, QBAlt_O, QBAlt_P, QBAlt_Q, QBAlt_R, QBAlt_S, QBAlt_T, QBAlt_U, QBAlt_V,
    QBAlt_W, QBAlt_X, QBAlt_Y, QBAlt_Z,
    // Past the letters, so that those keep their places.
    QBAlt_F11,
};

// The key a hot key answers to (the Alt state is not part of it), or 0 for None.
constexpr int HotKeyCode(TSkinHotKey hotKey)
{
    const int ordinal = int(hotKey);
    if (ordinal >= int(TSkinHotKey::QBAlt_F1) && ordinal <= int(TSkinHotKey::QBAlt_F10))
        return Qt::Key_F1 + (ordinal - int(TSkinHotKey::QBAlt_F1));
    if (ordinal >= int(TSkinHotKey::QBAlt_A) && ordinal <= int(TSkinHotKey::QBAlt_Z))
        return Qt::Key_A + (ordinal - int(TSkinHotKey::QBAlt_A));
    if (hotKey == TSkinHotKey::QBAlt_F11)
        return Qt::Key_F11;
    return 0;
}
