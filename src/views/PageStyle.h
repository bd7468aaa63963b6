#pragma once

#include <QString>

#include <functional>

// The page settings the result pages of every view kind read alike: head,
// colours, the class header's FEI texts and the columns the station may
// compute. Each key has its default here once, so two pages never disagree
// about what an unset setting means. A page's own settings derive from this
// and add what only that page reads.
struct PageStyle
{
    using Lookup = std::function<QString(const QString &key, const QString &def)>;

    QString background;          // "html.background.color"
    QString css;                 // "http.css"
    QString rankCss;             // "http.rank.css"
    QString refresh;             // "http.refresh"
    QString evenBackground;      // "html.even.background.color"
    QString oddBackground;       // "html.odd.background.color"
    QString evenForeground;      // "html.even.foreground.color"
    QString oddForeground;       // "html.odd.foreground.color"
    QString lastRiderBackground; // "html.lastrider.background.color"; empty: no row marked
    QString lastForeground;      // "html.last.foreground.color"
    QString lastBackground;      // "html.last.background.color"
    QString logoDir;             // "logo.dir": where club logos are looked for, joined as it stands
    int visFei = 0;              // "vis.fei"
    QString headerText;          // "vis.header.text"
    QString feiResults;          // "vis.fei.results"
    QString feiJudges;           // "vis.fei.judges"
    QString feiStartingList;     // "vis.fei.startinglist"
    QString feiTmpStartingList;  // "vis.fei.tmpstartinglist"
    bool antalStarterLine = false; // "beregn.antalStarter"
    bool placering = true;       // "beregn.placering"
    bool startTime = false;      // "beregn.tid"
    int afstamning = 0;          // "vis.afstamning": non-zero, a pedigree line under the horse
                                 // (the dressage breed logo asks for 1)
    // Whether a file exists; logos are shown only when theirs does.
    std::function<bool(const QString &path)> fileExists;

    static PageStyle read(const Lookup &value);
};
