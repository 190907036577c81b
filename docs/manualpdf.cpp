// Writes the user manual as the PDF that Help > Manual opens: manual-pdf <manual.md> <Manual.pdf>
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPair>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QTextTableFormat>
#include <QUrl>
#include <QVector>

#include <cstdio>

#include "docs/wholerows.h"

namespace {

constexpr int RESOLUTION_DPI = 300;
constexpr qreal PAGE_MARGIN_MM = 20;
constexpr qreal LAYOUT_DPI = 96;
constexpr qreal MM_PER_INCH = 25.4;
constexpr qreal IMAGE_WIDTH_SHARE = 0.7;
constexpr qreal BODY_POINT_SIZE = 10;
constexpr qreal TABLE_BORDER = 1;
constexpr qreal TABLE_CELL_PADDING = 3;
const char *const CODE_FONT_FAMILY = "monospace";
const char *const CHAPTER_MARK = "## ";
const char *const CONTENTS_TITLE = "Contents";

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
        // A table that runs onto the next page is read there with its column names.
        format.setHeaderRowCount(1);
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

// Qt 6 keeps a code block's lines from wrapping, and a long one would run off the page.
void WrapCodeBlocks(QTextDocument *document)
{
    for (QTextBlock block = document->begin(); block != document->end(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        format.setNonBreakableLines(false);
        if (format != block.blockFormat())
            QTextCursor(block).setBlockFormat(format);
    }
}

// Pictures are set at a fixed share of the text width, whatever their pixel size.
void SizeImages(QTextDocument *document, qreal textWidth)
{
    for (QTextBlock block = document->begin(); block != document->end(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QImage picture = document->resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
            if (picture.isNull())
                continue;
            const qreal scale = textWidth * IMAGE_WIDTH_SHARE / picture.width();
            image.setWidth(picture.width() * scale);
            image.setHeight(picture.height() * scale);
            QTextCursor cursor(document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
}

// The chapter titles of the Markdown source, and the source with a contents list before them.
QStringList ChapterTitles(const QString &markdown)
{
    QStringList titles;
    for (const QString &line : markdown.split('\n')) {
        if (line.startsWith(CHAPTER_MARK))
            titles << line.mid(int(qstrlen(CHAPTER_MARK))).trimmed();
    }
    return titles;
}

QString WithContents(const QString &markdown, const QStringList &titles, const QStringList &pages)
{
    QString contents = QString(CHAPTER_MARK) + CONTENTS_TITLE + "\n\n| Chapter | Page |\n| --- | --- |\n";
    for (int index = 0; index < titles.size(); ++index)
        contents += "| " + titles.at(index) + " | " + pages.at(index) + " |\n";
    QString result = markdown;
    const int firstChapter = markdown.startsWith(CHAPTER_MARK) ? 0 : markdown.indexOf(QString("\n") + CHAPTER_MARK) + 1;
    return result.insert(firstChapter, contents + "\n");
}

// The page each chapter starts on, as laid out. A heading that does not fit above the
// page's bottom margin is moved to the next page, though its block stays where it was.
QStringList ChapterPages(QTextDocument *document)
{
    QStringList pages;
    const qreal pageHeight = document->pageSize().height();
    const qreal bottomMargin = document->rootFrame()->frameFormat().bottomMargin() * RESOLUTION_DPI / LAYOUT_DPI;
    for (QTextBlock block = document->begin(); block != document->end(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 2 || block.text() == CONTENTS_TITLE)
            continue;
        const QRectF where = document->documentLayout()->blockBoundingRect(block);
        int page = int(where.top() / pageHeight);
        if (where.bottom() > (page + 1) * pageHeight - bottomMargin)
            ++page;
        pages << QString::number(page + 1);
    }
    return pages;
}

// Laid out on the writer's own pages, so that the pages of the chapters are known.
bool LayOut(QTextDocument *document, const QString &markdown, const QUrl &base, QPdfWriter *writer,
            const QSet<int> &tablesOnNewPage)
{
    QFont font = document->defaultFont();
    font.setPointSizeF(BODY_POINT_SIZE);
    document->setDefaultFont(font);
    document->setBaseUrl(base);
    document->setMarkdown(markdown);
    if (document->isEmpty())
        return false;
    RuleTables(document);
    StartOnNewPage(document, tablesOnNewPage);
    SetCodeFont(document);
    WrapCodeBlocks(document);

    document->documentLayout()->setPaintDevice(writer);
    document->setPageSize(writer->pageLayout().paintRectPixels(RESOLUTION_DPI).size());
    // Margins and pictures are given at 96 dots an inch; the layout scales them to the writer's.
    const qreal margin = PAGE_MARGIN_MM / MM_PER_INCH * LAYOUT_DPI;
    QTextFrameFormat page = document->rootFrame()->frameFormat();
    page.setMargin(margin);
    document->rootFrame()->setFrameFormat(page);
    SizeImages(document, document->pageSize().width() * LAYOUT_DPI / RESOLUTION_DPI - 2 * margin);
    // The edits above leave parts laid out for the old formats, which would be drawn blank.
    document->markContentsDirty(0, document->characterCount() - 1);
    return true;
}

// Laid out again until no table row runs across a page break: the row goes to the next page
// under its table's header (the whole table for its first row). Each layout must find its
// split row further on than the last, so the layouts end. Returns what went wrong, if anything.
QString LayOutWholeRows(QTextDocument *document, QString markdown, const QUrl &base, QPdfWriter *writer)
{
    QSet<int> onNewPage;
    for (TableRow moved;;) {
        if (!LayOut(document, markdown, base, writer, onNewPage))
            return "it holds no text";
        const TableRow split = FirstSplitRow(document, onNewPage);
        if (split.table < 0)
            return QString();
        if (split.table < moved.table || (split.table == moved.table && split.row <= moved.row))
            return QString("row %1 of table %2 still runs across a page break").arg(split.row).arg(split.table + 1);
        moved = split;
        if (split.row == 1) {
            onNewPage.insert(split.table);
            continue;
        }
        markdown = CutTable(markdown, split);
        if (markdown.isEmpty())
            return QString("row %1 of table %2 is not where the Markdown has it").arg(split.row).arg(split.table + 1);
        QSet<int> shifted{split.table + 1};
        for (int table : qAsConst(onNewPage))
            shifted.insert(table > split.table ? table + 1 : table);
        onNewPage = shifted;
    }
}

// Drawn page by page onto the writer, on whose pages the document was laid out.
void PrintPages(QTextDocument *document, QPdfWriter *writer)
{
    QPainter painter(writer);
    const QSizeF page = document->pageSize();
    for (int index = 0; index < document->pageCount(); ++index) {
        if (index > 0)
            writer->newPage();
        painter.save();
        painter.translate(0, -index * page.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(QPointF(0, index * page.height()), page);
        context.palette.setColor(QPalette::Text, Qt::black);
        painter.setClipRect(context.clip);
        document->documentLayout()->draw(&painter, context);
        painter.restore();
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

    const QString markdown = QString::fromUtf8(source.readAll());
    const QUrl base = QUrl::fromLocalFile(QFileInfo(source).absolutePath() + "/");
    const QStringList titles = ChapterTitles(markdown);

    QSaveFile target(arguments.at(2));
    if (!target.open(QIODevice::WriteOnly)) {
        PrintError(QString("cannot write %1: %2").arg(target.fileName(), target.errorString()));
        return 1;
    }
    {
        QPdfWriter writer(&target);
        writer.setResolution(RESOLUTION_DPI);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter));
        writer.setCreator("manual-pdf");

        // Page numbers take the room of two digits in the first layout, so the second,
        // with the numbers it found, breaks its pages the same way.
        QTextDocument draft;
        const QStringList twoDigits = QVector<QString>(titles.size(), "00").toList();
        QString failure = LayOutWholeRows(&draft, WithContents(markdown, titles, twoDigits), base, &writer);
        QTextDocument document;
        if (failure.isEmpty())
            failure = LayOutWholeRows(&document, WithContents(markdown, titles, ChapterPages(&draft)), base, &writer);
        if (!failure.isEmpty()) {
            PrintError(QString("cannot lay out %1: %2").arg(source.fileName(), failure));
            return 1;
        }
        writer.setTitle(document.firstBlock().text());
        PrintPages(&document, &writer);
    }
    if (!target.commit()) {
        PrintError(QString("cannot write %1: %2").arg(target.fileName(), target.errorString()));
        return 1;
    }
    return 0;
}
