// Writes the user manual as the PDF that Help > Manual opens: manual-pdf <manual.md> <Manual.pdf>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPair>
#include <QSaveFile>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QTextTableFormat>
#include <QVector>

#include <cstdio>

namespace {

constexpr int RESOLUTION_DPI = 300;
// QTextDocument::print adds 2 cm of its own inside the page margins.
constexpr qreal PAGE_MARGIN_MM = 5;
constexpr qreal BODY_POINT_SIZE = 10;
constexpr qreal TABLE_BORDER = 1;
constexpr qreal TABLE_CELL_PADDING = 3;
const char *const CODE_FONT_FAMILY = "monospace";

void PrintError(const QString &text)
{
    std::fprintf(stderr, "manual-pdf: %s\n", qPrintable(text));
}

// Markdown tables come without rules; on paper a row has to be read across its cells.
void RuleTables(QTextDocument *document)
{
    const QList<QTextFrame *> frames = document->rootFrame()->childFrames();
    for (QTextFrame *frame : frames) {
        QTextTable *table = qobject_cast<QTextTable *>(frame);
        if (table == nullptr)
            continue;
        QTextTableFormat format = table->format();
        format.setBorder(TABLE_BORDER);
        format.setBorderBrush(Qt::black);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(TABLE_CELL_PADDING);
        table->setFormat(format);
    }
}

// Texts the tool shows are set as code spans. Qt gives those the platform's fixed font,
// which the offscreen platform lacks; they are the only text with a family of its own.
void SetCodeFont(QTextDocument *document)
{
    QVector<QPair<int, int>> spans;
    for (QTextBlock block = document->begin(); block != document->end(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().hasProperty(QTextFormat::FontFamilies))
                spans.append({fragment.position(), fragment.length()});
        }
    }

    QTextCharFormat code;
    code.setFont(QFont(CODE_FONT_FAMILY), QTextCharFormat::FontPropertiesSpecifiedOnly);
    code.setFontFixedPitch(true);
    for (const QPair<int, int> &span : spans) {
        QTextCursor cursor(document);
        cursor.setPosition(span.first);
        cursor.setPosition(span.first + span.second, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(code);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 3) {
        PrintError("usage: manual-pdf <manual.md> <Manual.pdf>");
        return 2;
    }

    QFile source(arguments.at(1));
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        PrintError(QString("cannot read %1: %2").arg(source.fileName(), source.errorString()));
        return 1;
    }

    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSizeF(BODY_POINT_SIZE);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    if (document.isEmpty()) {
        PrintError(QString("%1 holds no text").arg(source.fileName()));
        return 1;
    }
    RuleTables(&document);
    SetCodeFont(&document);

    QSaveFile target(arguments.at(2));
    if (!target.open(QIODevice::WriteOnly)) {
        PrintError(QString("cannot write %1: %2").arg(target.fileName(), target.errorString()));
        return 1;
    }
    {
        QPdfWriter writer(&target);
        writer.setResolution(RESOLUTION_DPI);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(PAGE_MARGIN_MM, PAGE_MARGIN_MM, PAGE_MARGIN_MM, PAGE_MARGIN_MM),
                                         QPageLayout::Millimeter));
        writer.setTitle(document.firstBlock().text());
        writer.setCreator("manual-pdf");
        document.print(&writer);
    }
    if (!target.commit()) {
        PrintError(QString("cannot write %1: %2").arg(target.fileName(), target.errorString()));
        return 1;
    }
    return 0;
}
