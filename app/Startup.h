#pragma once

#include <QString>
#include <QStringList>

class QApplication;
class QTranslator;

// Registers the compiled-in resource trees (images, style sheets, translations).
void initResources();

// Seeds the toolkit's pseudo-random generator from the clock; the scrambler draws keys from it.
void seedRandomGenerator();

// Loads and installs the toolkit's Chinese translation and ours; a file that fails to load
// leaves its translator empty and start-up goes on.
void installTranslators(QApplication &app, QTranslator &toolkit, QTranslator &ours);

// The font families tried in order; the empty entry stands for the default family.
QStringList applicationFontCandidates();

// Makes the first candidate that matches exactly the 14-pixel application font.
void chooseApplicationFont();

// The application's own style sheet rules, for every window: a button with keyboard focus
// carries a ring (the pages' buttons have style sheets of their own, which leave the platform's
// focus frame out). Appended to what the application already has.
QString applicationStyleSheet();
void applyApplicationStyle(QApplication &app);
