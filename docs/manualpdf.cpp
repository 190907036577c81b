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
#include <QUrl>
#include <QVector>

#include <cstdio>

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
            if (fragment.charFormat().hasProperty(QTextFormat::FontFamily))
                spans.append({fragment.position(), fragment.length()});
        }
    }

    QTextCharFormat code;
    code.setFontFamily(CODE_FONT_FAMILY);
    code.setFontFixedPitch(true);
    for (const QPair<int, int> &span : spans) {
        QTextCursor cursor(document);
        cursor.setPosition(span.first);
        cursor.setPosition(span.first + span.second, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(code);
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

QVector<QTextBlock> Chapters(QTextDocument *document)
{
    QVector<QTextBlock> chapters;
    for (QTextBlock block = document->begin(); block != document->end(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2)
            chapters.append(block);
    }
    return chapters;
}

// A contents list before the first chapter: each chapter with the page it starts on.
// The list is laid out first with room for the numbers, which are known only afterwards.
void InsertContents(QTextDocument *document)
{
    const QVector<QTextBlock> chapters = Chapters(document);
    if (chapters.isEmpty())
        return;
    QStringList titles;
    for (const QTextBlock &chapter : chapters)
        titles << chapter.text();

    QTextCursor cursor(chapters.first());
    QTextBlockFormat heading = chapters.first().blockFormat();
    const QTextCharFormat headingText = chapters.first().charFormat();
    cursor.insertBlock(heading, headingText);
    cursor.movePosition(QTextCursor::PreviousBlock);
    cursor.insertText("Contents");
    cursor.movePosition(QTextCursor::NextBlock);

    QTextTableFormat format;
    format.setBorder(0);
    format.setCellPadding(1);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 92),
                                      QTextLength(QTextLength::PercentageLength, 8)});
    QTextTable *table = cursor.insertTable(titles.size(), 2, format);
    for (int row = 0; row < titles.size(); ++row) {
        for (int column = 0; column < 2; ++column) {
            QTextCursor cell = table->cellAt(row, column).firstCursorPosition();
            cell.setBlockFormat(QTextBlockFormat());
            cell.setBlockCharFormat(QTextCharFormat());
            cell.insertText(column == 0 ? titles.at(row) : QString("00"), QTextCharFormat());
        }
    }

    const QVector<QTextBlock> laidOut = Chapters(document);
    const qreal pageHeight = document->pageSize().height();
    for (int row = 0; row < table->rows(); ++row) {
        const QRectF where = document->documentLayout()->blockBoundingRect(laidOut.at(row + 1));
        QTextCursor number = table->cellAt(row, 1).firstCursorPosition();
        number.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        number.mergeBlockFormat(right);
        number.insertText(QString::number(int(where.top() / pageHeight) + 1));
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

    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSizeF(BODY_POINT_SIZE);
    document.setDefaultFont(font);
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source).absolutePath() + "/"));
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
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(),
                                         QPageLayout::Millimeter));
        writer.setTitle(document.firstBlock().text());
        writer.setCreator("manual-pdf");
        // Laid out on the writer's own pages, so that the contents list knows where chapters start.
        document.documentLayout()->setPaintDevice(&writer);
        document.setPageSize(writer.pageLayout().paintRectPixels(RESOLUTION_DPI).size());
        // Margins and pictures are given at 96 dots an inch; the layout scales them to the writer's.
        const qreal toLayout = LAYOUT_DPI / RESOLUTION_DPI;
        const qreal margin = PAGE_MARGIN_MM / MM_PER_INCH * LAYOUT_DPI;
        QTextFrameFormat page = document.rootFrame()->frameFormat();
        page.setMargin(margin);
        document.rootFrame()->setFrameFormat(page);
        SizeImages(&document, document.pageSize().width() * toLayout - 2 * margin);
        InsertContents(&document);
        PrintPages(&document, &writer);
    }
    if (!target.commit()) {
        PrintError(QString("cannot write %1: %2").arg(target.fileName(), target.errorString()));
        return 1;
    }
    return 0;
}
