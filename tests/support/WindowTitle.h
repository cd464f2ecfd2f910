// The title a window system is given for a window: Qt appends the
// application display name, after a dash, to every title that does not end
// in it.
#pragma once

#include <QGuiApplication>
#include <QString>
#include <QWidget>

inline QString TitleGivenToTheWindowSystem(const QWidget& window)
{
    const QString title = window.windowTitle();
    const QString appended = QGuiApplication::applicationDisplayName();
    return title.endsWith(appended) ? title : title + QString::fromUtf8(" \u2014 ") + appended;
}
