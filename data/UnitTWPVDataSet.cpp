#include "UnitTWPVDataSet.h"

#include "QvFormat.h"

#include <cmath>

Q_LOGGING_CATEGORY(lcWPVDataSet, "WPV Data Set", QtInfoMsg)

double FourthRoot(double x)
{
    return x > 0 ? std::pow(x, 0.25) : 0.0;
}

TWPVDataSet::TWPVDataSet() = default;

TWPVDataSet::~TWPVDataSet() = default;

void TWPVDataSet::AddData(const TDataPoint& aData)
{
    // Materialise the model values of the points held so far before the sums go stale.
    FillPointModels();
    fData.push_back(aData);
    fSums.valid = false;
}

void TWPVDataSet::Reserve(int aCount)
{
    if (aCount > 0)
        fData.reserve(static_cast<std::size_t>(aCount));
}

void TWPVDataSet::Squeeze()
{
    const std::size_t unused = WPVAllocationSize(fData.capacity() * sizeof(TDataPoint))
        - WPVAllocationSize(fData.size() * sizeof(TDataPoint));
    // Large arrays are reserved in whole 2 MB units: copy only when that frees at least one.
    if (unused >= (std::size_t(2) << 20) || (fData.capacity() * sizeof(TDataPoint) < WPVLargeBytes && unused > 0))
        fData.shrink_to_fit();
}

const TWPVDataSet::TPointSums& TWPVDataSet::Sums() const
{
    if (!fSums.valid) {
        TPointSums& s = fSums;
        s = TPointSums();
        s.dt.reserve(fData.size());
        s.root.reserve(fData.size());
        for (const TDataPoint& p : fData) {
            const double root = FourthRoot(p.pO2);
            s.duration += p.DataPointDuration;
            s.charge += p.PumpI * p.DataPointDuration;
            s.temperature += p.TempC * p.DataPointDuration;
            s.dt.push_back(p.DataPointDuration);
            s.root.push_back(root);
        }
        s.valid = true;
    }
    return fSums;
}

void TWPVDataSet::FillPointModels() const
{
    if (!fAlphaLeakageStale && !fLeakageAlpha2Stale)
        return;
    // The fourth roots of the points are kept with the sums; take them from there when they
    // belong to these points (the same values, without a pow per point).
    const bool cached = fSums.valid && fSums.root.size() == fData.size();
    auto root = [&](std::size_t i) { return cached ? fSums.root[i] : FourthRoot(fData[i].pO2); };
    if (fAlphaLeakageStale) {
        for (std::size_t i = 0; i < fData.size(); ++i) {
            TDataPoint& p = fData[i];
            p.AlphaLeakage = (fModelFGRoot - root(i)) * p.DataPointDuration * fModelAlphaZ;
        }
        fAlphaLeakageStale = false;
        fAlphaLeakageWritten = {fModelFGRoot, fModelAlphaZ, 0, fData.size()};
    }
    if (fLeakageAlpha2Stale) {
        for (std::size_t i = 0; i < fData.size(); ++i)
            fData[i].LeakageAlpha2Point = (fModelPreRoot - root(i)) * fModelAlpha2 + fModelCurrentPre;
        fLeakageAlpha2Stale = false;
        fLeakageAlpha2Written = {fModelPreRoot, fModelAlpha2, fModelCurrentPre, fData.size()};
    }
}

const TDataSet& TWPVDataSet::Data() const
{
    FillPointModels();
    return fData;
}

double TWPVDataSet::AverageLast(double aLLSDuration, TFinals aParameter) const
{
    if (aLLSDuration <= 0)
        return 0;
    if (SetDuration < aLLSDuration)
        return 0;
    double w = 0;
    double s = 0;
    for (auto it = fData.rbegin(); it != fData.rend() && w < aLLSDuration; ++it) {
        double x = 0;
        switch (aParameter) {
        case TFinals::pO2: x = it->pO2; break;
        case TFinals::Current: x = it->PumpI; break;
        case TFinals::Voltage: x = it->PumpV; break;
        }
        s += it->DataPointDuration * x;
        w += it->DataPointDuration;
    }
    return w > 0 ? s / w : 0;
}

void TWPVDataSet::SumsPre()
{
    if (fData.empty()) {
        qCDebug(lcWPVDataSet) << "Sums exit data=0";
        return;
    }
    const TDataPoint& last = fData.back();
    const TPointSums& sums = Sums();

    SetDuration = last.ElapsedSinceBeginning;
    double t = sums.temperature;
    if (SetDuration > 0)
        t /= SetDuration;
    TempAverageK = t + 273.15;

    fFinalpO2 = Step >= 1 ? AverageLast(fRCd, TFinals::pO2) : last.pO2;
    if (lcWPVDataSet().isDebugEnabled())
        qCDebug(lcWPVDataSet).noquote() << QStringLiteral("RCd:") + QvFormatGeneral(fRCd);
    fCurrentFinal = AverageLast(fRCd, TFinals::Current);
    fLeakageLast = last.PumpI;
    fCurrentPre = 0;

    // The flush-gas model: with fCurrentPre just set to 0 its coefficient is 0, also when the
    // two fourth roots are equal (0 / 0).
    const double fgRoot = FourthRoot(fFGpO2);
    const double denominator = fgRoot - FourthRoot(fFinalpO2);
    fAlphaZ = denominator != 0 ? fCurrentPre / denominator : 0;

    // Charge and leakage over all points, in row order. The charge does not depend on the
    // parameters and is kept from run to run.
    fChargeTotal = sums.charge;
    double leakage = 0;
    for (const double dt : sums.dt)
        leakage += fCurrentFinal * dt;
    fLeakageTotal = leakage;
    // The points' AlphaLeakage, (fgRoot - root) * dt * fAlphaZ, are written into the points when
    // they are read; their sum is taken here.
    if (fAlphaZ != 0) {
        for (std::size_t i = 0; i < sums.dt.size(); ++i)
            fAlphaLeakage += (fgRoot - sums.root[i]) * sums.dt[i] * fAlphaZ;
    }
    fModelFGRoot = fgRoot;
    fModelAlphaZ = fAlphaZ;
    // The points are written again only when the model differs from the one they hold (the
    // window runs the analysis at every click of its step list).
    fAlphaLeakageStale = !fAlphaLeakageWritten.Holds(fgRoot, fAlphaZ, 0, fData.size());

    if (TempAverageK > 0)
        O2_ch_hp = fFinalpO2 * Vhpws / (0.08206 * TempAverageK);
    const double tlK = Tl + 273.15;
    if (TempAverageK > 0 && tlK > 0) {
        if (TempAverageK != tlK)
            O2_ch_gp = (fFinalpO2 * Vgp / 0.08206) * (std::log(TempAverageK) - std::log(tlK)) / (TempAverageK - tlK);
        else
            O2_ch_gp = fFinalpO2 * Vgp / (0.08206 * TempAverageK); // the limit of the formula
    } else {
        O2_ch_gp = 0;
    }
    O_ch = 2 * (O2_ch_hp + O2_ch_gp);

    if (Mode == 15)
        fStable = last.pO2RCOK && last.pO2RangeOK && last.IRCOK;
    else
        fStable = last.pO2RCOK && last.IRCOK;

    fPotential = AverageLast(fRCd, TFinals::Voltage);
}

void TWPVDataSet::SumsPost()
{
    const double preRoot = FourthRoot(fFinalpO2Pre);
    const double d = preRoot - FourthRoot(fFinalpO2);
    if (d != 0)
        fAlpha2 = (fCurrentFinal - fCurrentPre) / d;
    // The points' LeakageAlpha2Point are written into the points when they are read; their
    // charge is summed here in row order.
    const TPointSums& sums = Sums();
    double charge = 0;
    for (std::size_t i = 0; i < sums.dt.size(); ++i)
        charge += ((preRoot - sums.root[i]) * fAlpha2 + fCurrentPre) * sums.dt[i];
    fLeakageChargeAlpha2 = charge;
    fModelPreRoot = preRoot;
    fModelAlpha2 = fAlpha2;
    fModelCurrentPre = fCurrentPre;
    fLeakageAlpha2Stale = !fLeakageAlpha2Written.Holds(preRoot, fAlpha2, fCurrentPre, fData.size());
}
