#include "client/ResultMessages.h"

QMap<int, QString> buildResultMessages()
{
    // The service's result codes with the texts it shows for them.
    QMap<int, QString> m;
    m.insert(0, QStringLiteral("成功"));
    m.insert(1, QStringLiteral("非法的API Key"));
    m.insert(2, QStringLiteral("失败"));
    m.insert(3, QStringLiteral("非法参数"));
    m.insert(1001, QStringLiteral("用户邮箱或密码有误"));
    m.insert(1002, QStringLiteral("用户状态异常"));
    m.insert(1003, QStringLiteral("请指定新密码"));
    m.insert(1004, QStringLiteral("锁定帐号失败"));
    m.insert(1005, QStringLiteral("解锁帐号失败"));
    m.insert(1006, QStringLiteral("邮箱未验证"));
    m.insert(1007, QStringLiteral("您的账户未开启API Key, API接口无法使用"));
    m.insert(1008,
             QStringLiteral("您的账户连续校验错误超过系统设置, 暂时不允许登陆,30分钟后将自动解锁"));
    m.insert(1009, QStringLiteral("系统暂时关闭新用户注册"));
    m.insert(1010, QStringLiteral("email地址不能为空,不能出现空格,且长度不能大于64个字符"));
    m.insert(1011, QStringLiteral("Email地址格式不正确"));
    m.insert(1012, QStringLiteral("该Email地址已经存在"));
    m.insert(1013, QStringLiteral("密码不能含有空格"));
    m.insert(1014, QStringLiteral("两次输入的密码不一致,请重新输入"));
    m.insert(1015, QStringLiteral("密码超过系统限制32个字符"));
    m.insert(1016, QStringLiteral("密码长度不得少于6个字符"));
    m.insert(1017, QStringLiteral("激活邮件发送失败,请登录Tervo用户中心,手动激活"));
    m.insert(1018, QStringLiteral("邮箱未激活!"));
    m.insert(1019, QStringLiteral("deviceToken不能为空！"));
    m.insert(1020, QStringLiteral("请输入64位的deviceToken！"));
    m.insert(1021, QStringLiteral("请输入正确的站内消息状态！"));
    m.insert(1022, QStringLiteral("域名控制面板审核未通过！"));
    m.insert(2000, QStringLiteral("域名无效"));
    m.insert(2001, QStringLiteral("您已经添加过该域名"));
    m.insert(2002, QStringLiteral("域名已被其他用户添加,请联系客服"));
    m.insert(2003, QStringLiteral("域名添加失败"));
    m.insert(2004, QStringLiteral("域名暂停失败"));
    m.insert(2005, QStringLiteral("域名不存在"));
    m.insert(2006, QStringLiteral("域名锁定失败"));
    m.insert(2007, QStringLiteral("该域名处于审核状态中无法操作"));
    m.insert(2008, QStringLiteral("删除域名失败"));
    m.insert(2009, QStringLiteral("该域名处于管理员锁定状态"));
    m.insert(2010, QStringLiteral("该域名处于锁定状态"));
    m.insert(2011, QStringLiteral("缺少搜索条件"));
    m.insert(2012, QStringLiteral("您还没选择要升级/续费服务的月数！"));
    m.insert(2013, QStringLiteral("请指定域名ID！"));
    m.insert(2014, QStringLiteral("域名解锁失败"));
    m.insert(2015, QStringLiteral("域名启用失败"));
    m.insert(2016, QStringLiteral("系统不支持该域名后缀"));
    m.insert(2017, QStringLiteral("该域名无法升级到该服务，请指定其他服务套餐进行升级"));
    m.insert(2018, QStringLiteral("域名可添加数量已超出限制，请联系客服"));
    m.insert(2019, QStringLiteral("付费版本已存在该域名，请联系客服"));
    m.insert(2020, QStringLiteral("域名数量超过您所在用户组限制"));
    m.insert(2021, QStringLiteral("该服务已经存在该域名，请联系客服"));
    m.insert(2022, QStringLiteral("域名未注册"));
    m.insert(2023, QStringLiteral("域名长度超过65个字节"));
    m.insert(2024, QStringLiteral("域名格式错误"));
    m.insert(2025, QStringLiteral("保留域名"));
    m.insert(2026, QStringLiteral("您暂时无法添加该服务版本的域名"));
    m.insert(2027, QStringLiteral("域名可添加数量已超出服务组限制"));
    m.insert(2028, QStringLiteral("域名升级失败"));
    m.insert(2029, QStringLiteral("请指定nsGroupID"));
    m.insert(2030,
             QStringLiteral("操作失败，您已开启域名操作二次验证功能，请登录Web操作或关闭验证"));
    m.insert(3001, QStringLiteral("记录类型不存在"));
    m.insert(3002, QStringLiteral("主机头格式错误"));
    m.insert(3003, QStringLiteral("记录值格式错误"));
    m.insert(3004, QStringLiteral("记录值长度超过255"));
    m.insert(3005, QStringLiteral("当前套餐不支持泛解析"));
    m.insert(3006, QStringLiteral("您的服务只支持%d级解析"));
    m.insert(3007, QStringLiteral("线路不存在"));
    m.insert(3008,
             QStringLiteral("解析记录已存在或者存在相同主机头，相同线路的A记录或者CNAME记录"));
    m.insert(3009, QStringLiteral("超过当前产品套餐负载均衡限制"));
    m.insert(3010, QStringLiteral("解析记录不存在"));
    m.insert(3011, QStringLiteral("新的记录类型不存在"));
    m.insert(3012, QStringLiteral("记录值不为空"));
    m.insert(3013, QStringLiteral("IP格式有误"));
    m.insert(3014, QStringLiteral("当前版本限制TTL最小必须是"));
    m.insert(4001, QStringLiteral("域名添加成功，提交订单失败"));
    m.insert(4002, QStringLiteral("账户余额不足，请先充值"));
    m.insert(4009, QStringLiteral("您无法购买该服务"));
    m.insert(4010, QStringLiteral("服务ID对应的服务套餐不存在"));
    m.insert(4011, QStringLiteral("提交订单失败"));
    m.insert(5001, QStringLiteral("请稍后提交"));
    m.insert(6001, QStringLiteral("该域名未开启百度云加速服务"));
    m.insert(6002, QStringLiteral("该用户在我们平台不存在，无法采集用户信息"));
    m.insert(6003, QStringLiteral("奖品ID不能为空"));
    m.insert(6004, QStringLiteral("奖品ID对应的奖品信息不存在"));
    m.insert(6005, QStringLiteral("该奖品库存为0"));
    m.insert(9001, QStringLiteral("验证串有误"));
    m.insert(9002, QStringLiteral("未绑定"));
    m.insert(9003, QStringLiteral("IP已绑定在其他机器上"));
    m.insert(9004, QStringLiteral("非常抱歉，APP暂时无法使用"));
    m.insert(-1, QStringLiteral("API接口关闭"));
    return m;
}
