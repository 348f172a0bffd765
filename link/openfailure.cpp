#include "link/openfailure.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace dtu {

QString PortDevicePath(const QString& portName) {
    if (portName.startsWith(QLatin1Char('/'))) return portName;
#ifdef Q_OS_WIN
    return {};
#else
    const QString location = QSerialPortInfo(portName).systemLocation();
    if (!location.isEmpty() && QFileInfo::exists(location)) return location;
    const QString dev = QStringLiteral("/dev/") + portName;
    return QFileInfo::exists(dev) ? dev : QString();
#endif
}

namespace {

QString PermissionReason(const QString& devicePath) {
#ifdef Q_OS_LINUX
    if (!devicePath.isEmpty()) {
        const QFileInfo file(devicePath);
        if (file.exists() && !(file.isReadable() && file.isWritable())) {
            QString group = file.group();
            if (group.isEmpty()) group = QStringLiteral("dialout");
            return QStringLiteral("没有权限访问%1：请把当前用户加入该设备的用户组%2（例如 sudo usermod -aG %2 $USER），"
                                  "然后注销并重新登录")
                .arg(devicePath, group);
        }
        if (file.exists()) return QStringLiteral("串口正被其他程序使用");
    }
#else
    Q_UNUSED(devicePath);
#endif
    return QStringLiteral("串口正被其他程序使用或没有访问权限");
}

} // namespace

QString OpenFailureReason(const QString& portName, QSerialPort::SerialPortError error,
                          const QString& errorText, const QString& devicePath) {
    QString reason;
    switch (error) {
    case QSerialPort::DeviceNotFoundError: reason = QStringLiteral("没有这个串口"); break;
    case QSerialPort::PermissionError: reason = PermissionReason(devicePath); break;
    case QSerialPort::OpenError: reason = QStringLiteral("串口已经打开"); break;
    case QSerialPort::UnsupportedOperationError: reason = QStringLiteral("串口不支持所选的设置"); break;
    default: reason = QStringLiteral("串口报告错误"); break;
    }
    QString line = portName + QStringLiteral("打开失败的原因：") + reason;
    if (!errorText.isEmpty()) line += QStringLiteral("（") + errorText + QStringLiteral("）");
    return line;
}

} // namespace dtu
