#pragma once

#include <QString>
#include <QStringList>

// text with every occurrence of each secret replaced by "***". Secrets shorter than four
// characters are left alone: masking every "1" of a message would garble it and protect
// nothing.
QString maskSecrets(QString text, const QStringList &secrets);
