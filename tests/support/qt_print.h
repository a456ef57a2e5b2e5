// Lets GoogleTest print QString values as text.
#pragma once
#include <QString>
#include <ostream>
void PrintTo(const QString& s, std::ostream* os);
