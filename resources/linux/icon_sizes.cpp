// Scales the logo to the sizes of the hicolor icon theme at build time, so
// only the one large source picture is kept in the repository.
//
//   vistrel-icon-sizes SOURCE.png OUTDIR NAME SIZE...
//
// writes OUTDIR/<SIZE>x<SIZE>/apps/NAME.png for each SIZE.
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

namespace {

bool writeSize(const QImage &source, const QString &outDir, const QString &name, int size)
{
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const QImage scaled = source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (QDir().mkpath(folder) && scaled.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "vistrel-icon-sizes: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: vistrel-icon-sizes SOURCE.png OUTDIR NAME SIZE...\n");
        return 1;
    }
    const QImage source = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (source.isNull()) {
        std::fprintf(stderr, "vistrel-icon-sizes: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 4; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size < 1 || !writeSize(source, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), size))
            return 1;
    }
    return 0;
}
