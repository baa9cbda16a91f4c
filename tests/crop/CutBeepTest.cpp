// The cut sound: the file compiled into the program has the required format,
// and playing it never shows anything, also without sound or audio output.

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include "crop/CutBeep.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"

namespace {

quint32 u32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 u16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

}  // namespace

class CutBeepTest : public QObject {
    Q_OBJECT
private slots:
    void resourceIsShortMono8BitPcm();
    void missingSoundIsSilentlyIgnored();
    void playingShowsNothingAndCanRepeat();
};

void CutBeepTest::resourceIsShortMono8BitPcm() {
    QFile file(QString::fromLatin1(CutBeep::kResource));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray wav = file.readAll();
    QVERIFY(wav.size() >= 44);
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(u32(wav, 4), quint32(wav.size() - 8));
    QCOMPARE(wav.mid(8, 4), QByteArray("WAVE"));
    QCOMPARE(wav.mid(12, 4), QByteArray("fmt "));
    QCOMPARE(u32(wav, 16), 16u);
    QCOMPARE(u16(wav, 20), quint16(1));  // PCM
    QCOMPARE(u16(wav, 22), quint16(1));  // one channel
    QCOMPARE(u32(wav, 24), 11025u);      // samples per second
    QCOMPARE(u32(wav, 28), 11025u);      // bytes per second
    QCOMPARE(u16(wav, 32), quint16(1));  // block align
    QCOMPARE(u16(wav, 34), quint16(8));  // bits per sample
    QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    QCOMPARE(u32(wav, 40), 2506u);
    QCOMPARE(wav.size(), 44 + 2506);
    // A beep, not silence: the samples swing around the 8-bit centre 128.
    const QByteArray samples = wav.mid(44);
    int lo = 255;
    int hi = 0;
    for (char c : samples) {
        lo = std::min(lo, int(quint8(c)));
        hi = std::max(hi, int(quint8(c)));
    }
    QVERIFY(hi - lo > 100);
    // It starts and ends near the centre, so it does not click.
    QVERIFY(std::abs(int(quint8(samples.front())) - 128) < 8);
    QVERIFY(std::abs(int(quint8(samples.back())) - 128) < 8);
}

void CutBeepTest::missingSoundIsSilentlyIgnored() {
    ModalAnswerer answerer;
    CutBeep beep(nullptr, QStringLiteral(":/NoSuchSound.wav"));
    QVERIFY(!beep.available());
    beep.play();
    beep.play();
    QTest::qWait(50);
    QVERIFY(answerer.seen().isEmpty());
}

void CutBeepTest::playingShowsNothingAndCanRepeat() {
    // On this machine there may be no audio output at all; either way a
    // play returns, shows nothing, and a second one right after is fine.
    ModalAnswerer answerer;
    CutBeep beep;
    beep.play();
    beep.play();
    QTest::qWait(50);
    beep.play();
    QVERIFY(answerer.seen().isEmpty());
}

PICTAVO_QTEST_MAIN(CutBeepTest)
#include "CutBeepTest.moc"
