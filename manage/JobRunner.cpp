#include "JobRunner.h"

#include <QLabel>
#include <QPushButton>

JobRunner::JobRunner(const JobWidgets &widgets, QObject *parent)
    : QObject(parent), m_widgets(widgets)
{}

void JobRunner::start() {}

bool JobRunner::next(int, int)
{
    return true;
}

void JobRunner::finish() {}

void JobRunner::flashInput(QWidget *) {}
