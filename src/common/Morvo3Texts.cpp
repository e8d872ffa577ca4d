#include "common/Morvo3Texts.h"

const QHash<QString, QString> &Morvo3Texts::builtInTexts()
{
    // Hungarian built-in texts, key by key (English translation above each).
    static const QHash<QString, QString> texts = {
        // EN: "Armed"
        {QStringLiteral("lbTXT_ARM_STATE_ARMED"), QStringLiteral("Élesítve")},
        // EN: "Disarmed"
        {QStringLiteral("lbTXT_ARM_STATE_DISARMED"), QStringLiteral("Kikapcsolva")},
        // EN: "Bad port number! Using 3333 as default."
        {QStringLiteral("lbTXT_BAD_PORT_NUMBER"), QStringLiteral("A megadott portszám nem értelmezhető,\nalapértelmezett port érvényben : 3333!")},
        // EN: "No data to save!"
        {QStringLiteral("lbTXT_CANNOT_SAVE_DATA"), QStringLiteral("Nincs menthető adat!")},
        // EN: "No data to download!"
        {QStringLiteral("lbTXT_CANNOT_SEND_DATA"), QStringLiteral("Nincs letölthető adat!")},
        // EN: "Monitoring station"
        {QStringLiteral("lbTXT_CENTRAL_STATION"), QStringLiteral("Távfelügyelet")},
        // EN: "Event log deleted."
        {QStringLiteral("lbTXT_CLEAN_SUCCES"), QStringLiteral("Eseménynapló törölve.")},
        // EN: "  Legend:"
        {QStringLiteral("lbTXT_comment0"), QStringLiteral("  Jelmagyarázat:")},
        // EN: "   ? = Not reported yet, need to report."
        {QStringLiteral("lbTXT_comment1"), QStringLiteral("   ? = Még nincs jelentve, jelenteni kell.")},
        // EN: "   * = Report delivered successfully."
        {QStringLiteral("lbTXT_comment2"), QStringLiteral("   * = A jelentés sikeresen kézbesítve.")},
        // EN: "   R = Report skipped because delivered alternatively."
        {QStringLiteral("lbTXT_comment3"), QStringLiteral("   R = A jelentés kimaradt, mert más úton kézbesítve.")},
        // EN: "   ! = Report delivery failed!"
        {QStringLiteral("lbTXT_comment4"), QStringLiteral("   ! = A jelentés kézbesítése sikertelen!")},
        // EN: "   T = Alarm Timneout, report skipped!"
        {QStringLiteral("lbTXT_comment4b"), QStringLiteral("   T = Riasztási időtúllépés, a jelentés kimaradt!")},
        // EN: "   S = Stopped, report skipped."
        {QStringLiteral("lbTXT_comment5"), QStringLiteral("   S = Leállítva, a jelentés kimaradt.")},
        // EN: "   T1-T4 : Report in telephone call."
        {QStringLiteral("lbTXT_comment6"), QStringLiteral("   T1-T4 : Jelentés telefonhívásban.")},
        // EN: "   S1-S4 : Report in SMS to the given phone numbers."
        {QStringLiteral("lbTXT_comment7"), QStringLiteral("   S1-S4 : Jelentés SMS-ben a megadott telefonszámokra.")},
        // EN: "   K1-K2 : Report to the monitoring station."
        {QStringLiteral("lbTXT_comment8"), QStringLiteral("   K1-K2 : Jelentés a távfelügyeletnek.")},
        // EN: "  Event log:"
        {QStringLiteral("lbTXT_comment9"), QStringLiteral("  Eseménynapló:")},
        // EN: "Module :"
        {QStringLiteral("lbTXT_CONNECTED_MODULE_NAME"), QStringLiteral("Modul :")},
        // EN: "Connecting to server..."
        {QStringLiteral("lbTXT_CONNECTING_TO_SERVER"), QStringLiteral("Kapcsolódás a szerverhez...")},
        // EN: "Date/Time: "
        {QStringLiteral("lbTXT_EVENT_DATE"), QStringLiteral("Dátum/Idő: ")},
        // EN: "Event details: "
        {QStringLiteral("lbTXT_EVENT_PROPS"), QStringLiteral("Esemény részletei: ")},
        // EN: "Report for the following event: "
        {QStringLiteral("lbTXT_EVENT_TARGET"), QStringLiteral("Jelentés a következő eseményről: ")},
        // EN: "Report delivery failed!"
        {QStringLiteral("lbTXT_EVENT_TYPE_ER"), QStringLiteral("A jelentés kézbesítése sikertelen!")},
        // EN: "No report generated."
        {QStringLiteral("lbTXT_EVENT_TYPE_NO"), QStringLiteral("Nem készült jelentés.")},
        // EN: "Report delivered successfully."
        {QStringLiteral("lbTXT_EVENT_TYPE_OK"), QStringLiteral("A jelentés sikeresen kézbesítve.")},
        // EN: "Report skipped because delivered alternatively."
        {QStringLiteral("lbTXT_EVENT_TYPE_RE"), QStringLiteral("A jelentés kimaradt, mert más úton kézbesítve.")},
        // EN: "Disarmed, report skipped."
        {QStringLiteral("lbTXT_EVENT_TYPE_ST"), QStringLiteral("Kikapcsolva, a jelentés kimaradt.")},
        // EN: "Alarm Timeout, report skipped!"
        {QStringLiteral("lbTXT_EVENT_TYPE_TO"), QStringLiteral("Riasztási időtúllépés, a jelentés kimaradt!")},
        // EN: "Report in progress..."
        {QStringLiteral("lbTXT_EVENT_TYPE_UN"), QStringLiteral("Jelentés folyamatban...")},
        // EN: "Delayed"
        {QStringLiteral("lbTXT_EVSTATE_DELAYED"), QStringLiteral("Késleltetve")},
        // EN: "Finished"
        {QStringLiteral("lbTXT_EVSTATE_FINSHED"), QStringLiteral("Befejezve")},
        // EN: "Processing"
        {QStringLiteral("lbTXT_EVSTATE_PROCESSING"), QStringLiteral("Folyamatban")},
        // EN: "Stopped"
        {QStringLiteral("lbTXT_EVSTATE_STOPPED"), QStringLiteral("Leállítva")},
        // EN: "File read error!"
        {QStringLiteral("lbTXT_FAILED_TO_READ_FILE"), QStringLiteral("Fájl olvasási hiba!")},
        // EN: "Please type in your password before connecting!"
        {QStringLiteral("lbTXT_GIVE_PASSWORD_FIRST"), QStringLiteral("Kérem, kapcsolódás előtt adja meg a jelszót!")},
        // EN: "Current password does not match the given password!"
        {QStringLiteral("lbTXT_GIVEN_PWD_NOT_CORRECT"), QStringLiteral("A megadott jelenlegi jelszó nem egyezik a modul jelszavával!")},
        // EN: "Data version mismatch"
        {QStringLiteral("lbTXT_INCOMPATIBLE_FILE"), QStringLiteral("Eltérő adatverzió")},
        // EN: "This version of the program is not compatible with the module!"
        {QStringLiteral("lbTXT_INCOMPATIBLE_MODULE"), QStringLiteral("A program ezen verziója nem kompatibilis a modullal!")},
        // EN: "ALARM"
        {QStringLiteral("lbTXT_INPUT_LABEL_ALARM"), QStringLiteral("RIASZTÁS")},
        // EN: "Disarmed"
        {QStringLiteral("lbTXT_INPUT_LABEL_DISARMED"), QStringLiteral("Kikapcsolva")},
        // EN: "Idle"
        {QStringLiteral("lbTXT_INPUT_LABEL_IDLE"), QStringLiteral("Nyugalom")},
        // EN: "Password not correct!"
        {QStringLiteral("lbTXT_INVALID_PWD"), QStringLiteral("Hibás a megadott jelszó !")},
        // EN: "Serial number not correct!"
        {QStringLiteral("lbTXT_INVALID_SERIAL_NR"), QStringLiteral("Hibás a megadott sorozatszám!")},
        // EN: "Change password"
        {QStringLiteral("lbTXT_NEW_PW_Form_CAPTION"), QStringLiteral("Jelszó módosítása")},
        // EN: "No connection!"
        {QStringLiteral("lbTXT_NO_CONNECTION"), QStringLiteral("Nincs kapcsolat!")},
        // EN: " No serial connection."
        {QStringLiteral("lbTXT_NO_SERIAL_CONN"), QStringLiteral(" Nincs soros kapcsolat.")},
        // EN: "No update required!"
        {QStringLiteral("lbTXT_NO_UPDATE_REQUIRED"), QStringLiteral("Ön a program legfrissebb verzióját használja, nincs szükség frissítésre!")},
        // EN: "OFF"
        {QStringLiteral("lbTXT_OFF"), QStringLiteral("KI")},
        // EN: "ON"
        {QStringLiteral("lbTXT_ON"), QStringLiteral("BE")},
        // EN: "Open"
        {QStringLiteral("lbTXT_OPEN"), QStringLiteral("Nyitott")},
        // EN: "Password"
        {QStringLiteral("lbTXT_PASSWORD"), QStringLiteral("Jelszó")},
        // EN: "Type in the password of the module"
        {QStringLiteral("lbTXT_PW_CAPTION1"), QStringLiteral("Adja meg a modul jelszavát")},
        // EN: "Old password:"
        {QStringLiteral("lbTXT_PW_CAPTION2"), QStringLiteral("Régi jelszó:")},
        // EN: "New password:"
        {QStringLiteral("lbTXT_PW_CAPTION3"), QStringLiteral("Új jelszó:")},
        // EN: "Repeat new password:"
        {QStringLiteral("lbTXT_PW_CAPTION4"), QStringLiteral("Új jelszó még egyszer:")},
        // EN: "New password validated."
        {QStringLiteral("lbTXT_PW_CHANGE_OK"), QStringLiteral("Az új jelszó érvényesítve.")},
        // EN: "Try to read parameters anyway?"
        {QStringLiteral("lbTXT_READ_DATA_ANYHOW"), QStringLiteral("Mégis beolvassa a paramétereket?")},
        // EN: "This program is incompatible with the connected module!"
        {QStringLiteral("lbTXT_VANTREL_INCOMPATIBLE"), QStringLiteral("Ez a program nem kompatibilis a csatlakoztatott modullal!")},
        // EN: "Password accepted."
        {QStringLiteral("lbTXT_SECUR_PW_OK"), QStringLiteral("Jelszó elfogadva.")},
        // EN: "Short"
        {QStringLiteral("lbTXT_SHORT"), QStringLiteral("Rövidzár")},
        // EN: "Programme :"
        {QStringLiteral("lbTXT_STARTED_VANTREL_NAME"), QStringLiteral("Program :")},
        // EN: "Test answer OK."
        {QStringLiteral("lbTXT_TEST_ANSWER_OK"), QStringLiteral("A tesztválasz rendben.")},
        // EN: "Unable to connect!"
        {QStringLiteral("lbTXT_UNABLE_TO_CONNECT"), QStringLiteral("Kapcsolódás sikertelen.")},
        // EN: "The USB device was found but could not be opened (another program holds it or access is denied)."
        {QStringLiteral("lbTXT_DEVICE_OPEN_FAILED"), QStringLiteral("Az USB eszköz megtalálható, de nem nyitható meg (egy másik program használja, vagy nincs hozzáférési jog).")},
        // EN: "This function is not available in this version of the program."
        {QStringLiteral("lbTXT_NOT_AVAILABLE"), QStringLiteral("Ez a funkció a program ezen verziójában nem érhető el.")},
        // EN: "No update server answered."
        {QStringLiteral("lbTXT_UPDATE_NO_SERVER"), QStringLiteral("Egyik frissítési szerver sem válaszolt.")},
        // EN: "The update server's answer could not be understood."
        {QStringLiteral("lbTXT_UPDATE_BAD_ANSWER"), QStringLiteral("A frissítési szerver válasza nem értelmezhető.")},
        // EN: "The download did not complete; the program was not changed."
        {QStringLiteral("lbTXT_UPDATE_DOWNLOAD_FAILED"), QStringLiteral("A letöltés nem fejeződött be, a program nem változott.")},
        // EN: "The new version could not be put in place; the program was not changed."
        {QStringLiteral("lbTXT_UPDATE_SWAP_FAILED"), QStringLiteral("Az új verziót nem sikerült a helyére tenni, a program nem változott.")},
        // EN: "The program's folder cannot be written. Download the new version here:"
        {QStringLiteral("lbTXT_UPDATE_FOLDER_READONLY"), QStringLiteral("A program mappája nem írható. Az új verzió innen tölthető le:")},
    };
    return texts;
}

Morvo3Texts::Morvo3Texts(QObject *parent)
    : QObject(parent)
    , m_texts(builtInTexts())
{
}

QString Morvo3Texts::text(const QString &key) const
{
    return m_texts.value(key, key);
}

bool Morvo3Texts::contains(const QString &key) const
{
    return m_texts.contains(key);
}

bool Morvo3Texts::setText(const QString &key, const QString &value)
{
    auto it = m_texts.find(key);
    if (it == m_texts.end())
        return false;
    if (*it != value) {
        *it = value;
        emit textChanged(key);
    }
    return true;
}

void Morvo3Texts::resetToBuiltIn()
{
    const auto &builtIn = builtInTexts();
    for (auto it = builtIn.begin(); it != builtIn.end(); ++it)
        setText(it.key(), it.value());
}

QStringList Morvo3Texts::keys() const
{
    QStringList k = m_texts.keys();
    k.sort();
    return k;
}
