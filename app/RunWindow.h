#pragma once
// Opens the main window with the given files added and runs the event loop; returns the exit
// status.
#include <QApplication>
#include <QStringList>

int RunWindow(QApplication& app, const QStringList& files);
