#pragma once
// Cell texts as the workbook formats can hold them. Spreadsheet XML writes characters that XML
// 1.0 cannot hold (control characters, U+FFFE, U+FFFF) as escapes "_xHHHH_", and text that
// itself looks like such an escape with its underscore escaped; a lone surrogate, which no format
// can hold, becomes U+FFFD.
#include <QString>

// Lone surrogates replaced by U+FFFD; everything else unchanged.
QString WithoutLoneSurrogates(const QString& text);

// The text to store in an .xlsx cell so that every reader gives back the grid's text.
QString XlsxCellText(const QString& text);
