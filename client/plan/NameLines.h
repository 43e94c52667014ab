#pragma once

#include <QString>
#include <QStringList>

// Lists of domain names typed one per line.

// The parts of text between line breaks, each break taking the blanks around it; empty parts
// are dropped. Blanks before the first and after the last name stay.
QStringList splitNameLines(const QString &text);

// The names the add-domains page sends: the split parts, less those made of blanks only (the
// service client would send nothing for them, so they could only fail without a reason).
QStringList namesToAdd(const QString &text);

// A batch's domain list (the batch page's and halvik-cli's): the split parts trimmed, without
// empty entries, each name
// kept at its first occurrence only.
QStringList cleanDomainList(const QString &text);
