#pragma once
// The pictures of the window: its icon, the tool-button pictures and the two link images.
// All are drawn at run time, so the program ships no bitmaps.

#include <QIcon>
#include <QPixmap>

enum class TToolIcon {
    CloseData,
    Open,
    Save,
    Print,
    New,
    Picture,
    First,
    Previous,
    Next,
    Last,
    Fit,
    Overview
};

QIcon DrawWindowIcon();
QIcon DrawToolIcon(TToolIcon which);
// The link image: lit (frames arriving) or dark.
QPixmap DrawLinkImage(bool lit);
