#pragma once

#include "glowbutton.h"
#include "mainwindow.h"
#include "recordingmessageboxes.h"
#include "traffictextarea.h"

#include <QObject>
#include <QtTest>
#include <memory>

// What the window tests share: the window under test, its recorded messages, and finding,
// clicking and reading its controls by name.
class WindowTest : public QObject
{
    Q_OBJECT
protected:
    template <typename T>
    T *child(const char *name)
    {
        T *found = m_window->findChild<T *>(QString::fromUtf8(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void click(const char *button) { QTest::mouseClick(child<GlowButton>(button), Qt::LeftButton); }
    QString caption(const char *button) { return child<GlowButton>(button)->Caption(); }
    QString text(const char *area) { return child<TrafficTextArea>(area)->text(); }
    void createWindow(const PortMap &map)
    {
        m_window = std::make_unique<MainWindow>(map, m_messages);
        m_window->show();
    }

    RecordingMessageBoxes m_messages;
    std::unique_ptr<MainWindow> m_window;
};
