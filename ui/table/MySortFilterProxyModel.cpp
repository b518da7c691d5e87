#include "MySortFilterProxyModel.h"

namespace {

// A position past the end reads as the null character, which is neither a
// space nor a digit.
QChar charAt(const QString& s, int position)
{
    return position < s.size() ? s.at(position) : QChar();
}

} // namespace

bool MySortFilterProxyModel::naturalLess(const QString& s1, const QString& s2)
{
    const int length1 = s1.size();
    const int length2 = s2.size();
    for (int p1 = 0, p2 = 0; p1 <= length1 && p2 <= length2; ++p1, ++p2) {
        QChar c1 = charAt(s1, p1);
        QChar c2 = charAt(s2, p2);
        while (c1.isSpace())
            c1 = charAt(s1, ++p1);
        while (c2.isSpace())
            c2 = charAt(s2, ++p2);

        if (c1.isDigit() && c2.isDigit()) {
            while (c1.digitValue() == 0)
                c1 = charAt(s1, ++p1);
            while (c2.digitValue() == 0)
                c2 = charAt(s2, ++p2);
            // Equal-length digit runs compare by their first differing digit;
            // otherwise the shorter run is the smaller number.
            int result = 0;
            for (int q1 = p1, q2 = p2; q1 <= length1 && q2 <= length2; ++q1, ++q2) {
                const QChar d1 = charAt(s1, q1);
                const QChar d2 = charAt(s2, q2);
                const bool digit1 = d1.isDigit();
                const bool digit2 = d2.isDigit();
                if (!digit1 && !digit2)
                    break;
                if (!digit1)
                    return true;
                if (!digit2)
                    return false;
                if (result == 0 && d1 != d2)
                    result = d1 < d2 ? -1 : 1;
            }
            if (result != 0)
                return result < 0;
        }

        const int order = QString::localeAwareCompare(QString(c1), QString(c2));
        if (order != 0)
            return order < 0;
    }
    return QString::compare(s1, s2, Qt::CaseSensitive) < 0;
}

bool MySortFilterProxyModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariant leftValue = left.data(Qt::DisplayRole);
    const QVariant rightValue = right.data(Qt::DisplayRole);
    bool isNumber = false;
    const double leftNumber = leftValue.toString().toDouble(&isNumber);
    if (isNumber)
        return leftNumber < rightValue.toString().toDouble();
    return naturalLess(leftValue.toString(), rightValue.toString());
}
