#include "app/QTabW.h"

#include <QTabBar>

QTabW::QTabW(QWidget *parent)
    : QTabWidget(parent)
{
}

void QTabW::hideTabBar()
{
    tabBar()->hide();
}

void QTabW::showTabBar()
{
    tabBar()->show();
}
