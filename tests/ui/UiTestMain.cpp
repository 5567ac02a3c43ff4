// main() of the widget tests: a QApplication on the offscreen platform (unless the
// environment names another), then every test.
#include <QApplication>
#include <QIcon>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time) needs no application.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    // The program's icon, as the program sets it (the resource is linked in here).
    Q_INIT_RESOURCE(tarvix);
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    return RUN_ALL_TESTS();
}
