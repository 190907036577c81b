#include "app/norvane.h"

#include <QApplication>
#include <QTextDocument>

namespace {

// The form's widgets sit at fixed pixels, so its font is sized in pixels too: a larger
// desktop font, or text scaled to 125 %, would no longer fit them. 12 pixels is 9 points
// on a 96 dpi screen, the desktop's usual size.
constexpr int FORM_FONT_PIXELS = 12;
// Around the path, inside its 21-pixel field; Qt's default of 4 clips the letters.
constexpr int PATH_FIELD_MARGIN = 2;

} // namespace

// The desktop's own typeface, at a size whose texts fit the form.
void Norvane::MakeFormLegible()
{
    QFont font = QApplication::font();
    font.setPixelSize(FORM_FONT_PIXELS);
    setFont(font);
    hexFileTextEdit->document()->setDocumentMargin(PATH_FIELD_MARGIN);
}
