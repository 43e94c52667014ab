#include "client/live/LiveSubnets.h"

// The default line needs no subnet: the check asks for it without the option. Every other line
// is asked with the first network given here. The networks are those of resolvers and services
// whose operators publish their addresses (the carriers' own DNS resolvers, the address
// registries' and crawlers' own hosts); the registries' WHOIS (APNIC, RIPE NCC, ARIN, AFRINIC,
// LACNIC) names the holder of each, and is where an entry is checked. Which line the service's name
// servers put a network on is the service's own decision: where it differs, the user's
// line-subnets.txt says better. A carrier's whole-network line is given a network outside the
// provinces listed, so that a province's own records do not answer it. Lines left out (the other
// provinces, 鹏博士, the whole SEO line and most single crawlers) are checked without the option
// and shown so.
QByteArray LiveSubnets::builtInText()
{
    return QByteArrayLiteral("# <line id> <CIDR> [<CIDR>...]\n"
                             "# 电信: whole network (云南), then provinces\n"
                             "286736640 222.172.200.0/24\n"
                             "286736657 219.141.136.0/24  # 北京\n"
                             "286736689 202.96.209.0/24   # 上海\n"
                             "286736690 218.2.2.0/24      # 江苏\n"
                             "286736691 202.101.172.0/24  # 浙江\n"
                             "286736693 218.85.152.0/24   # 福建\n"
                             "286736706 202.103.24.0/24   # 湖北\n"
                             "286736708 202.96.128.0/24   # 广东\n"
                             "286736721 61.139.2.0/24     # 四川\n"
                             "# 联通: whole network (山西), then provinces\n"
                             "286736896 202.99.192.0/24\n"
                             "286736913 202.106.0.0/24    # 北京\n"
                             "286736914 202.99.104.0/24   # 天津\n"
                             "286736915 202.99.160.0/24   # 河北\n"
                             "286736929 202.96.64.0/24    # 辽宁\n"
                             "286736945 210.22.70.0/24    # 上海\n"
                             "286736951 202.102.128.0/24  # 山东\n"
                             "286736961 202.102.224.0/24  # 河南\n"
                             "286736964 210.21.196.0/24   # 广东\n"
                             "286737152 166.111.8.0/24    # 教育网 (CERNET)\n"
                             "286737408 211.136.192.0/24  # 移动\n"
                             "286737664 211.98.2.0/24     # 铁通\n"
                             "# 国外 and the regions of the address registries\n"
                             "536870912 8.8.8.0/24\n"
                             "553648128 165.21.83.0/24    # 亚洲\n"
                             "570425344 193.0.0.0/24      # 欧洲 (RIPE NCC)\n"
                             "587202560 196.216.2.0/24    # 非洲 (AFRINIC)\n"
                             "603979776 4.2.2.0/24        # 北美洲\n"
                             "620756992 200.3.14.0/24     # 南美洲 (LACNIC)\n"
                             "637534208 139.130.4.0/24    # 大洋洲\n"
                             "# crawlers, from the ranges their operators publish\n"
                             "805306512 220.181.108.0/24  # 百度\n"
                             "805306513 66.249.66.0/24    # 谷歌\n"
                             "805306515 157.55.39.0/24    # 必应\n");
}
