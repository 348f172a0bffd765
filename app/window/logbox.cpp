#include "app/window/logbox.h"

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

// The end of a text within maxChars characters: its last lines that fit, or, when its last line
// alone is longer, that line's first maxChars characters.
QString TailWithin(const QString& text, qsizetype maxChars) {
    const qsizetype from = text.size() - maxChars; // > 0
    qsizetype lastStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!EndsBlock(text, &i)) continue;
        if (i + 1 >= from) return text.mid(i + 1);
        lastStart = i + 1;
    }
    return text.mid(lastStart, maxChars);
}

} // namespace

void AppendToLogBox(QPlainTextEdit* box, const QString& text, qsizetype maxChars) {
    QString lines = text;
    QTextDocument* doc = box->document();
    const int limit = doc->maximumBlockCount();
    qsizetype incoming = BlocksIn(lines);
    if (limit > 0 && incoming > limit) { // the earlier lines would drop out at once
        lines = lines.mid(LineStart(lines, incoming - limit));
        incoming = limit;
    }
    if (maxChars > 0 && lines.size() > maxChars) {
        lines = TailWithin(lines, maxChars);
        incoming = BlocksIn(lines);
    }
    // Lines to drop at the top: past the line limit, then past the character limit. The
    // document counts one separator per line; the new text brings its own.
    const qsizetype blocks = doc->isEmpty() ? 0 : doc->blockCount();
    qsizetype drop = limit > 0 ? qMax<qsizetype>(0, blocks + incoming - limit) : 0;
    if (blocks > 0 && maxChars > 0) {
        const qsizetype excess = doc->characterCount() + lines.size() - maxChars;
        if (excess >= doc->characterCount()) drop = blocks;
        else if (excess > 0) drop = qMax<qsizetype>(drop, doc->findBlock(int(excess - 1)).blockNumber() + 1);
    }
    drop = qMin(drop, blocks);
    // The box's own trimming lays out every line it drops; dropping them here beforehand
    // touches only the text.
    QScrollBar* bar = box->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    if (drop > 0) {
        QTextCursor c(doc);
        c.beginEditBlock();
        const QTextBlock keep = doc->findBlockByNumber(int(drop));
        c.setPosition(keep.isValid() ? keep.position() : doc->characterCount() - 1, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        c.endEditBlock();
    }
    // appendPlainText would lay out the first and the last line to move its cursor: a cost that
    // follows the length of those lines. A cursor set to the end inside an edit block lays out
    // nothing; the box lays out what it shows when it paints.
    QTextCursor end(doc);
    end.setPosition(doc->characterCount() - 1);
    end.beginEditBlock();
    if (!doc->isEmpty()) end.insertBlock();
    end.insertText(lines);
    end.endEditBlock();
    if (following) bar->setValue(bar->maximum());
    else if (drop > 0) bar->setValue(qMax(0, bar->value() - int(drop)));
}

} // namespace dtu
