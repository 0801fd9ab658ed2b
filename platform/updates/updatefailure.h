#pragma once

#include "core/base/errors.h"
#include "platform/updates/startreport.h"

// Why a check, a download or an installation stopped; the version in use stays current.
namespace quorvale::updates {

class UpdateFailure : public Error
{
public:
    static UpdateFailure noFeed() { return UpdateFailure(QStringLiteral("未配置更新地址，无法检查更新")); }
    static UpdateFailure invalidKey() { return UpdateFailure(QStringLiteral("更新签名公钥无效，无法检查更新")); }
    static UpdateFailure unreachable() { return UpdateFailure(QStringLiteral("无法连接更新服务器，请稍后再试")); }
    static UpdateFailure foreignRedirect()
    {
        return UpdateFailure(QStringLiteral("更新服务器把请求转到了其他地址，已拒绝"));
    }
    static UpdateFailure unsignedFeed() { return UpdateFailure(QStringLiteral("更新源签名无效，已拒绝此更新源")); }
    static UpdateFailure unreadableFeed() { return UpdateFailure(QStringLiteral("更新源内容无效，无法读取")); }
    static UpdateFailure downloadFailed() { return UpdateFailure(QStringLiteral("无法下载更新，请稍后再试")); }
    static UpdateFailure wrongLength() { return UpdateFailure(QStringLiteral("下载的更新大小不符，未安装")); }
    static UpdateFailure badSignature() { return UpdateFailure(QStringLiteral("更新的签名无效，未安装")); }
    static UpdateFailure notWritable()
    {
        return UpdateFailure(QStringLiteral("无法保存下载的更新：程序所在的文件夹不可写入"));
    }
    static UpdateFailure noSpace() { return UpdateFailure(QStringLiteral("磁盘空间不足，无法保存更新。请腾出空间后再试")); }
    static UpdateFailure insecureDownload()
    {
        return UpdateFailure(QStringLiteral("新版本的下载地址不是 https 地址，已拒绝此更新"));
    }
    static UpdateFailure notInstalled()
    {
        return UpdateFailure(QStringLiteral("课径不是从安装目录运行的，无法自动更新。请安装课径后再检查更新"));
    }
    static UpdateFailure otherVersion() { return UpdateFailure(QStringLiteral("下载的更新与更新源所列的版本不符，未安装")); }
    static UpdateFailure incompleteUpdate() { return UpdateFailure(QStringLiteral("下载的更新内容不完整，未安装")); }
    static UpdateFailure notReplaced() { return UpdateFailure(QStringLiteral("无法替换已安装的程序，更新未安装")); }
    static UpdateFailure newerInstalled(const QString &version)
    {
        return UpdateFailure(
            QStringLiteral("已安装的课径 %1 与此更新相同或较新，此更新未安装。重新打开课径即可使用课径 %1")
                .arg(version));
    }
    // The version is recorded: scheduled checks no longer offer it.
    static UpdateFailure notStarted()
    {
        return UpdateFailure(QStringLiteral("新版本无法启动，课径将继续使用当前版本。自动检查不会再提供这个版本。"));
    }
    // Nothing was started, and nothing is recorded against the version.
    static UpdateFailure notLaunched()
    {
        return UpdateFailure(QStringLiteral("无法启动新版本，课径将继续使用当前版本。请稍后再试"));
    }
    // The new program ended by itself, without a crash and before it took over; it is offered again.
    static UpdateFailure endedBeforeTakeOver()
    {
        return UpdateFailure(QStringLiteral("新版本在改用之前就自行退出了，课径将继续使用当前版本。"
                                            "以后检查更新时还会提供这个版本。"));
    }
    // A signal that asks a program to end ended the new program before it took over, as when the session
    // ends; it is offered again.
    static UpdateFailure closedBeforeTakeOver()
    {
        return UpdateFailure(QStringLiteral("新版本在改用之前被关闭了，课径将继续使用当前版本。"
                                            "以后检查更新时还会提供这个版本。"));
    }
    // Another copy of the program placed this version and its program has not yet taken over.
    static UpdateFailure installingElsewhere()
    {
        return UpdateFailure(
            QStringLiteral("另一个课径正在安装或验证这个版本，此更新未安装。请稍后再检查更新"));
    }
    static UpdateFailure versionFolderHeld(const QString &version)
    {
        return UpdateFailure(QStringLiteral("课径 %1 的文件夹被其他程序占用，此更新未安装。"
                                            "请在那个程序退出后再检查更新")
                                 .arg(version));
    }
    // This user cannot write the installation; scheduled checks stay quiet until that changes.
    static UpdateFailure notUpdatable(const QString &version)
    {
        return UpdateFailure(QStringLiteral("课径 %1 已可用，但无法安装：程序所在的文件夹不可写入。"
                                            "在它可以写入之前，自动检查不会再提供更新。")
                                 .arg(version));
    }
    static UpdateFailure crashed()
    {
        return UpdateFailure(QStringLiteral("新版本启动后不久就意外退出了，课径将继续使用当前版本。"
                                            "自动检查不会再提供这个版本。"));
    }
    static UpdateFailure notResponding()
    {
        return UpdateFailure(QStringLiteral("新版本启动后没有响应，已被关闭，课径将继续使用当前版本。"
                                            "自动检查不会再提供这个版本。"));
    }
    // The new version started, but `current` could not be moved to it.
    static UpdateFailure notSwitched(StartEvent reason)
    {
        if (reason == StartEvent::noSpace)
            return UpdateFailure(QStringLiteral("新版本已启动，但磁盘空间不足，无法改用新版本。"
                                                "课径将继续使用当前版本，请腾出空间后再试"));
        if (reason == StartEvent::busy)
            return UpdateFailure(QStringLiteral("新版本已启动，但安装目录一直被另一个程序占用，无法改用新版本。"
                                                "课径将继续使用当前版本，请稍后再试"));
        return UpdateFailure(QStringLiteral("新版本已启动，但程序所在的文件夹不可写入，无法改用新版本。"
                                            "课径将继续使用当前版本"));
    }

    QString description() const override { return m_text; }

private:
    explicit UpdateFailure(const QString &text) : m_text(text) {}
    QString m_text;
};

} // namespace quorvale::updates
