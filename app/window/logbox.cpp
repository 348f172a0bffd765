#include "app/window/logbox.h"

#include "link/logtext.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace dtu {

namespace {

bool EndsBlock(const QString& text, qsizetype* i) {
    const QChar c = text.at(*i);
    if (c == u'\r' && *i + 1 < text.size() && text.at(*i + 1) == u'\n') ++*i; // CR LF ends one
    return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator;
}

// Blocks the text makes when inserted.
qsizetype BlocksIn(const QString& text) {
    qsizetype blocks = 1;
    for (qsizetype i = 0; i < text.size(); ++i) blocks += EndsBlock(text, &i);
    return blocks;
}

// Where line number n (from 0) of the text starts.
qsizetype LineStart(const QString& text, qsizetype n) {
    for (qsizetype i = 0; n > 0 && i < text.size(); ++i)
        if (EndsBlock(text, &i) && --n == 0) return i + 1;
    return 0;
}

} // namespace

void AppendToLogBox(QPlainTextEdit* box, const QString& text) {
    QString lines = BoundedLines(text);
    QTextDocument* doc = box->document();
    const int limit = doc->maximumBlockCount();
    if (limit <= 0) {
        box->appendPlainText(lines);
        return;
    }
    qsizetype incoming = BlocksIn(lines);
    if (incoming > limit) { // the earlier lines would drop out at once
        lines = lines.mid(LineStart(lines, incoming - limit));
        incoming = limit;
    }
    // The box's own trimming lays out every line it drops; dropping them here beforehand
    // touches only the text.
    const int drop = doc->isEmpty() ? 0 : static_cast<int>(qMin<qsizetype>(doc->blockCount() + incoming - limit, doc->blockCount()));
    QScrollBar* bar = box->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    if (drop > 0) {
        QTextCursor c(doc);
        c.beginEditBlock();
        const QTextBlock keep = doc->findBlockByNumber(drop);
        c.setPosition(keep.isValid() ? keep.position() : doc->characterCount() - 1, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        c.endEditBlock();
    }
    box->appendPlainText(lines);
    if (!following && drop > 0) bar->setValue(qMax(0, bar->value() - drop));
}

} // namespace dtu
