#include "analysis/DiaUnit.h"

#include "analysis/PieChart.h"

#include <array>

using namespace Qt::StringLiterals;

QColor PieSliceColour(int index)
{
    static constexpr std::array<QRgb, TQELPieChart::MaxSlices> Colours = {
        0xFF5555, 0x4DE344, 0xFAEE12, 0x246FEA, 0xDB53EE, 0x39A6A6, 0xEE9B48, 0x8782E3, 0x85A40B, 0x12D3DE,
        0xB45A5C, 0x818FA0, 0x749879, 0x9C9270, 0x9457D7, 0xDB288A, 0x06BD79, 0xFD6D17, 0x3686D6, 0xC6C246,
    };
    return QColor::fromRgb(Colours.at(std::size_t(index) % Colours.size()));
}

void FillPieFromList(TQELPieChart &chart, const BookingList &main, const BookingList &regular, AnalysisSide side,
                     const QString &bookName)
{
    const bool income = side == AnalysisSide::Income;
    chart.SetTitle((income ? u"Haushaltsbuch - Einnahmen "_s : u"Haushaltsbuch - Ausgaben "_s) + bookName);
    chart.ClearSlices();
    const QList<GroupSum> groups = SumGroups(main, regular, side, GroupKey::Category);
    for (qsizetype i = 0; i < groups.size() && i < TQELPieChart::MaxSlices; ++i)
        chart.AddSlice(groups.at(i).Sum, groups.at(i).Name, PieSliceColour(int(i)));
}
