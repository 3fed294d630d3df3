#include "arrangement/registerview.h"

#include "controls/grid/grid.h"
#include "shell/services.h"
#include "shell/textcheck.h"
#include "shell/titles.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cmath>

namespace quorvane {

void limitTypedLength(QLineEdit *box, int maxChars)
{
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("^.{0,%1}$").arg(maxChars)), box));
}

void fitColumns(Grid *grid)
{
    for (int c = 1; c < grid->Cols(); ++c) {
        int widest = 0;
        for (int r = 1; r < grid->Rows(); ++r)
            widest = std::max(widest, grid->textWidthTwips(grid->TextMatrix(r, c)));
        const int wanted = widest + 14 * Grid::TwipsPerPixel;
        if (widest > 0 && wanted > grid->ColWidth(c))
            grid->setColWidth(c, wanted);
    }
}

QString requiredText(QLineEdit *box, int maxWidth, const QString &refusal)
{
    const QString text = TrimBlanks(box->text());
    if (!text.isEmpty() && DisplayWidth(text) <= maxWidth)
        return text;
    services::msg(refusal, titles::kSystem);
    box->setFocus();
    return QString();
}

double requiredCount(QLineEdit *box, const QString &refusal)
{
    const double count = std::floor(Val(box->text()));
    if (count > 0)
        return count;
    services::msg(refusal, titles::kSystem);
    box->setFocus();
    return 0;
}

} // namespace quorvane
