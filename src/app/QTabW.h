#pragma once

#include <QTabWidget>

// The tab widget of every tab set of the main window; its tab bar can be
// hidden for the full-screen arena display.
class QTabW : public QTabWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(QTabW)

public:
    explicit QTabW(QWidget *parent = nullptr);

public slots:
    void hideTabBar();
    void showTabBar();
};
