#include "client/LineTable.h"

namespace {

// Carrier lines are 0x1117 4C PP: carrier C, province PP (00 = whole network).
constexpr int kCarrierBase = 0x11174000;
constexpr int kOverseas = 0x20000000;
constexpr int kSeo = 0x30000000;

struct Province
{
    int code; // administrative code, written as hex digits in the line id
    const char *name;
};

const Province kProvinces[] = {
    {0x11, "北京"}, {0x12, "天津"}, {0x13, "河北"},   {0x14, "山西"}, {0x15, "内蒙古"},
    {0x21, "辽宁"}, {0x22, "吉林"}, {0x23, "黑龙江"}, {0x31, "上海"}, {0x32, "江苏"},
    {0x33, "浙江"}, {0x34, "安徽"}, {0x35, "福建"},   {0x36, "江西"}, {0x37, "山东"},
    {0x41, "河南"}, {0x42, "湖北"}, {0x43, "湖南"},   {0x44, "广东"}, {0x45, "广西"},
    {0x46, "海南"}, {0x50, "重庆"}, {0x51, "四川"},   {0x52, "贵州"}, {0x53, "云南"},
    {0x54, "西藏"}, {0x61, "陕西"}, {0x62, "甘肃"},   {0x63, "青海"}, {0x64, "宁夏"},
    {0x65, "新疆"},
};

void addCarrier(QMap<int, QString> &m, int carrier, const QString &name, bool withProvinces)
{
    const int whole = kCarrierBase + (carrier << 8);
    m.insert(whole, name);
    if (!withProvinces)
        return;
    for (const Province &p : kProvinces)
        m.insert(whole + p.code, QString::fromUtf8(p.name) + name);
}

} // namespace

QMap<int, QString> buildViewNames()
{
    QMap<int, QString> m;
    m.insert(0, QStringLiteral("默认"));
    addCarrier(m, 1, QStringLiteral("电信"), true);
    addCarrier(m, 2, QStringLiteral("联通"), true);
    addCarrier(m, 3, QStringLiteral("教育网"), false);
    addCarrier(m, 4, QStringLiteral("移动"), false);
    addCarrier(m, 5, QStringLiteral("铁通"), false);
    addCarrier(m, 6, QStringLiteral("鹏博士"), false);

    m.insert(kOverseas, QStringLiteral("国外"));
    const QStringList regions = {QStringLiteral("亚洲"),   QStringLiteral("欧洲"),
                                 QStringLiteral("非洲"),   QStringLiteral("北美洲"),
                                 QStringLiteral("南美洲"), QStringLiteral("大洋洲")};
    for (int i = 0; i < regions.size(); ++i)
        m.insert(kOverseas + ((i + 1) << 24), regions.at(i));

    m.insert(kSeo, QStringLiteral("SEO"));
    const QStringList crawlers = {QStringLiteral("百度"), QStringLiteral("谷歌"),
                                  QStringLiteral("奇虎"), QStringLiteral("必应"),
                                  QStringLiteral("雅虎"), QStringLiteral("搜狗"),
                                  QStringLiteral("搜搜"), QStringLiteral("有道")};
    for (int i = 0; i < crawlers.size(); ++i)
        m.insert(kSeo + 0x90 + i, QStringLiteral("SEO-") + crawlers.at(i));
    return m;
}

QStringList lineCategoryNameList()
{
    return {QStringLiteral("默认"), QStringLiteral("电信"),   QStringLiteral("联通"),
            QStringLiteral("移动"), QStringLiteral("教育网"), QStringLiteral("铁通"),
            QStringLiteral("SEO"),  QStringLiteral("鹏博士")};
}

QStringList lineCategoryIdList()
{
    return {QStringLiteral("0"),         QStringLiteral("286736640"), QStringLiteral("286736896"),
            QStringLiteral("286737408"), QStringLiteral("286737152"), QStringLiteral("286737664"),
            QStringLiteral("805306368"), QStringLiteral("286737920")};
}

QStringList recordTypeList()
{
    return {QStringLiteral("A"),   QStringLiteral("CNAME"), QStringLiteral("MX"),
            QStringLiteral("TXT"), QStringLiteral("NS"),    QStringLiteral("AAAA")};
}

int parentLine(int lineID)
{
    if (lineID == 0)
        return -1;
    if ((lineID & ~0xffff) == (kCarrierBase & ~0xffff) && (lineID & 0xff) != 0)
        return lineID & ~0xff;
    if ((lineID & 0xf0000000) == kOverseas && lineID != kOverseas)
        return kOverseas;
    if ((lineID & 0xf0000000) == kSeo && lineID != kSeo)
        return kSeo;
    return 0;
}
