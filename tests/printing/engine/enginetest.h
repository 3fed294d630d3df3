#pragma once
// Shared set-up of the print-engine tests: fixed text metrics, no throttling of pending events,
// messages recorded instead of shown, the CJK font substitutions of the program.
#include "printing/engine/LumoPrinter.h"
#include "testsupport.h"

#include <QFont>
#include <QStringList>
#include <QVector>

namespace enginetest {

struct Message
{
    QString text;
    QString caption;
};

inline QVector<Message> &messages()
{
    static QVector<Message> list;
    return list;
}

inline void setUpEngineTests()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("Noto Serif CJK SC")});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {QStringLiteral("Noto Sans CJK SC")});
    quorvane::LumoPrinter::yieldIntervalMs = 0;
    quorvane::LumoPrinter::messageHook = [](const QString &text, const QString &caption) {
        messages().push_back({text, caption});
    };
    quorvane::LumoPrinter::pageSetupHook = [](QPrinter *, QWidget *) { return false; };
    quorvane::LumoPrinter::printDialogHook = [](QPrinter *, int, QWidget *) { return false; };
}

// A control with fixed metrics: a character below U+0100 is half a point size wide, others a whole
// point size (9 pt: 180 twips); a line is 1.25 point sizes high (9 pt: 225 twips).
inline std::unique_ptr<quorvane::LumoPrinter> makePrinter()
{
    auto p = std::make_unique<quorvane::LumoPrinter>();
    p->setTextMetrics(std::make_shared<quorvane::FixedTextMetrics>());
    p->ReadProperties(quorvane::PropertyBag()); // the settings' defaults: A4 portrait, 20 mm margins
    p->resize(900, 700);
    return p;
}

// Text and lines of a page of the preview.
inline QVector<quorvane::PageOp> opsOf(const quorvane::PageRecord &page, quint8 kind)
{
    QVector<quorvane::PageOp> out;
    for (const auto &op : page.ops) {
        if (op.kind == kind)
            out.push_back(op);
    }
    return out;
}

using quorvane::test::pdfPages;
using quorvane::test::pdfText;

} // namespace enginetest
