#pragma once
#include <QList>
#include <QPageSize>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <memory>

namespace quorvane {

// The print system behind the printer queues (CUPS on this platform). The print control asks it at
// every print which queues there are and whether the one chosen takes jobs, so a queue that appeared
// after the preview opened is found, and a print that cannot be handed over is reported instead of
// being lost without a word. Tests install a print system of their own (LumoPrinter::setPrintSystem).
class PrintSystem
{
public:
    virtual ~PrintSystem() = default;
    // A printer on the system's default queue, with that queue's paper: making one asks the print
    // system which queue that is and what it takes.
    virtual std::unique_ptr<QPrinter> newPrinter() { return std::make_unique<QPrinter>(QPrinter::HighResolution); }
    // Why the print service itself cannot be reached (it is not running), as the user is told;
    // empty when it can, or when the system has no such service to ask.
    virtual QString serviceProblem() { return QString(); }
    // The queues there are now.
    virtual QStringList queues() = 0;
    // The system's default queue; empty when there is none.
    virtual QString defaultQueue() = 0;
    // Why the queue cannot take a job now (it rejects jobs, it is gone); empty when it can.
    virtual QString refusal(const QString &queue) = 0;
    // Whether the queue is paused: it takes jobs and keeps them until it is resumed.
    virtual bool paused(const QString &queue)
    {
        (void)queue;
        return false;
    }
    // Points the printer at the queue; false when the printer cannot be opened on it.
    virtual bool select(QPrinter &printer, const QString &queue) = 0;
    // The queue the printer prints to; empty when it prints to a file or to nothing yet.
    virtual QString queueOf(const QPrinter &printer) = 0;
    // The paper sizes the printer's queue lists, where they are not those Qt's print support reads
    // from it (a queue that stands in for one of a print server): true, and the sizes, which the
    // print dialog's 属性 page then lists, in that order and with no size of the user's own.
    // False: the page lists what Qt's print support reads.
    virtual bool listedSizes(const QPrinter &printer, QList<QPageSize> &sizes)
    {
        (void)printer;
        (void)sizes;
        return false;
    }
};

// The platform's print system: its queues as Qt's print support lists them, and whether the CUPS
// server answers and a queue accepts jobs or is paused as CUPS says (its library is loaded when
// there is one; without it every listed queue is taken to accept jobs).
class SystemPrintSystem : public PrintSystem
{
public:
    QString serviceProblem() override;
    bool paused(const QString &queue) override;
    QStringList queues() override;
    QString defaultQueue() override;
    QString refusal(const QString &queue) override;
    bool select(QPrinter &printer, const QString &queue) override;
    QString queueOf(const QPrinter &printer) override;
};

} // namespace quorvane
