#include "views/PageStyle.h"

#include <QFileInfo>

PageStyle PageStyle::read(const Lookup &value)
{
    const auto text = [&value](const char *key, const char *def) {
        return value(QLatin1String(key), QString::fromUtf8(def));
    };
    // Blanks around the digits do not turn a number setting off.
    const auto number = [&text](const char *key, const char *def) { return text(key, def).trimmed().toInt(); };
    const auto flag = [&number](const char *key, const char *def) { return number(key, def) != 0; };
    PageStyle s;
    s.background = text("html.background.color", "white");
    s.css = text("http.css", "/ZEPLive.css");
    s.rankCss = text("http.rank.css", "/ZEPLive.css");
    s.refresh = text("http.refresh", "60");
    s.evenBackground = text("html.even.background.color", "#FFFFFF");
    s.oddBackground = text("html.odd.background.color", "#F0EEEC");
    s.evenForeground = text("html.even.foreground.color", "#000000");
    s.oddForeground = text("html.odd.foreground.color", "#000000");
    s.lastRiderBackground = text("html.lastrider.background.color", "#FABB00");
    s.lastForeground = text("html.last.foreground.color", "#000000");
    s.lastBackground = text("html.last.background.color", "#FFFFFF");
    s.logoDir = text("logo.dir", "logo/");
    s.visFei = number("vis.fei", "0");
    s.headerText = text("vis.header.text", "");
    s.feiResults = text("vis.fei.results", "");
    s.feiJudges = text("vis.fei.judges", "DOMMERE:&nbsp;");
    s.feiStartingList = text("vis.fei.startinglist", "Startliste");
    s.feiTmpStartingList = text("vis.fei.tmpstartinglist", "Foreløbig Startliste");
    s.antalStarterLine = flag("beregn.antalStarter", "0");
    s.placering = flag("beregn.placering", "1");
    s.startTime = flag("beregn.tid", "0");
    s.afstamning = number("vis.afstamning", "0");
    s.fileExists = [](const QString &path) { return QFileInfo::exists(path); };
    return s;
}
