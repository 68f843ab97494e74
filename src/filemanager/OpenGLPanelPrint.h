#pragma once

#include "filemanager/OpenGLPanel.h"

#include <QRect>
#include <QSize>

// Where a picture of `bitmap` pixels lands on a printer page of `page` printer pixels at
// `dotsPerInch`, 0.18 inch in from the printable area's corner: one printer pixel per picture
// pixel (pglNone), the picture's size at `pixelsPerInch` (pglProportional; below 1 counts
// as 96) or as large as fits inside the margins with its aspect kept (pglPrintToFit).
// Empty when there is nothing to print.
QRect PrintRect(QSize bitmap, QSize dotsPerInch, QSize page, TOpenGLPrintScale scale, int pixelsPerInch);
