#!/usr/bin/env python3
"""Writes english.lng, slovak.lng and romanian.lng from the table below.

The table is the place to edit the translations: run this script afterwards
(python3 lang/make_lng.py). The files are Windows-1250 with CR LF line ends,
the format the program reads; Romanian uses the cedilla letters of that code
page (s-cedilla, t-cedilla), which is all Windows-1250 has.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
L = ("en", "sk", "ro")

# (name, en, sk, ro); a value that is a list is a list property.
S = {}

def sec(name):
    S[name] = []
    return S[name]

def t(section, name, en, sk, ro):
    section.append((name, en, sk, ro))

# ---------------------------------------------------------------- main window
m = sec("MainForm")
t(m, "tsKapcsolat.Caption", "Connection", "Spojenie", "Conexiune")
t(m, "tsModulStatus.Caption", "Module Status", "Stav modulu", "Stare modul")
t(m, "tsParameterSettings.Caption", "Parameter settings", "Nastavenie parametrov", "Setare parametri")
t(m, "tsZones.Caption", "Zones", "Zóny", "Zone")
t(m, "tsEvents.Caption", "Events", "Udalosti", "Evenimente")
t(m, "tsRelays.Caption", "Relay outputs", "Reléové výstupy", "Ieşiri releu")
t(m, "tsPhones.Caption", "Phone numbers && other settings", "Tel. čísla a ďalšie nastavenia", "Numere de telefon şi altele")
t(m, "tsAlarm.Caption", "Alarm Settings", "Nastavenie poplachu", "Setări alarmă")
# connection page
t(m, "rbUSB.Caption", "The module is connected to the computer by USB cable", "Modul je pripojený k počítaču USB káblom", "Modulul este conectat la calculator prin cablu USB")
t(m, "rbIPmode.Caption", "Remote module access through IP (internet) connection", "Vzdialený prístup k modulu cez IP (internet) spojenie", "Acces la modul de la distanţă prin conexiune IP (internet)")
t(m, "gbGPRS.Caption", "IP (internet) connection", "IP (internet) spojenie", "Conexiune IP (internet)")
t(m, "btGPRS_Connect.Caption", "Connect to server", "Pripojiť k serveru", "Conectare la server")
t(m, "btGPRS_Disconnect.Caption", "Disconnect", "Odpojiť", "Deconectare")
t(m, "cbSavePWD.Caption", "Save password", "Uložiť heslo", "Salvare parolă")
t(m, "btClearMemoGPRS.Caption", "Clear details", "Vymazať podrobnosti", "Ştergere detalii")
t(m, "btDetails.Caption", "Communication details >>>", "Podrobnosti komunikácie >>>", "Detalii comunicaţie >>>")
t(m, "lbVersionUpdate.Caption", '<a href="#">Check for program updates</a>', '<a href="#">Hľadať aktualizácie programu</a>', '<a href="#">Căutare actualizări program</a>')
t(m, "lbServerIP.Caption", "Server address:", "Adresa servera:", "Adresă server:")
t(m, "lbSerialNr.Caption", "Module serial number:", "Výrobné číslo modulu:", "Număr serie modul:")
t(m, "lbPWD.Caption", "Password:", "Heslo:", "Parolă:")
t(m, "imgUSB_NONE.Hint", "No connection", "Bez spojenia", "Fără conexiune")
# status page
for i in range(1, 3):
    t(m, "gbRelay%d.Caption" % i, "RELAY %d" % i, "RELÉ %d" % i, "RELEU %d" % i)
    t(m, "btREL%dStart.Caption" % i, "Start", "Zapnúť", "Pornire")
    t(m, "btREL%dStop.Caption" % i, "Stop", "Vypnúť", "Oprire")
t(m, "gbModuleState.Caption", "Module state", "Stav modulu", "Stare modul")
t(m, "lbGSMpow.Caption", "GSM signal (0-31):", "Signál GSM (0-31):", "Semnal GSM (0-31):")
t(m, "lbGSClock.Caption", "Module clock:", "Hodiny modulu:", "Ceas modul:")
t(m, "lbMemoStateHead.Caption", "State messages from the module:", "Stavové správy z modulu:", "Mesaje de stare de la modul:")
t(m, "btClearMsg.Caption", "Clear message window", "Vymazať okno správ", "Golire fereastră mesaje")
t(m, "btStopAlarm.Caption", "Stop Alarm", "Zastaviť poplach", "Oprire alarmă")
t(m, "btRefresh.Caption", "Refresh List", "Obnoviť zoznam", "Reîmprospătare listă")
t(m, "btShowDifferences.Caption", "Differences", "Rozdiely", "Diferenţe")
t(m, "btShowDifferences.Hint", "List every difference between the module and the editor",
  "Zoznam všetkých rozdielov medzi modulom a editorom", "Lista tuturor diferenţelor dintre modul şi editor")
t(m, "btLongEventList.Caption", "Long event list", "Dlhý zoznam udalostí", "Listă lungă evenimente")
t(m, "btTestNow.Caption", "Send test report now", "Odoslať testovaciu správu", "Trimite raport de test")
t(m, "btOnOffMode.Caption", "Change", "Zmeniť", "Modificare")
t(m, "GsmHistoryPlot.Hint", "GSM (0-31), 10 min", "GSM (0-31), 10 min", "GSM (0-31), 10 min")
GRID = {
    "en": ["", " Date / Time", " Event", " Contact-ID code"],
    "sk": ["", " Dátum / Čas", " Udalosť", " Kód Contact-ID"],
    "ro": ["", " Dată / Oră", " Eveniment", " Cod Contact-ID"],
}
MARKS = ["G1", "G2", "G3", "G4", "G5", "G6", "S1", "S2", "S3", "S4", "K1", "K2"]
STATE = {"en": " State", "sk": " Stav", "ro": " Stare"}
t(m, "cgEvents.Columns.Header", *[GRID[l] + MARKS + [STATE[l]] for l in L])
# parameter page commands
t(m, "spbOpen.Caption", "Open", "Otvoriť", "Deschide")
t(m, "spbOpen.Hint", "Load data from file", "Načítať údaje zo súboru", "Încărcare date din fişier")
t(m, "spbSave.Caption", "Save", "Uložiť", "Salvare")
t(m, "spbSave.Hint", "Save data to file", "Uložiť údaje do súboru", "Salvare date în fişier")
for n in ("spbReadModule", "spbReadModuleDisabled"):
    t(m, n + ".Caption", "Read", "Čítať", "Citire")
    t(m, n + ".Hint", "Read data from module", "Prečítať údaje z modulu", "Citire date din modul")
for n in ("spbWriteModule", "spbWriteModuleDisabled"):
    t(m, n + ".Caption", "Write", "Zapísať", "Scriere")
    t(m, n + ".Hint", "Write data into module", "Zapísať údaje do modulu", "Scriere date în modul")
for n in ("spbCompareData", "spbCompareDataDisabled"):
    t(m, n + ".Caption", "Compare", "Porovnať", "Comparare")
    t(m, n + ".Hint", "Compare parameters with the module", "Porovnať parametre s modulom", "Comparare parametri cu modulul")
for n in ("spbChangePW", "spbChangePWDisabled"):
    t(m, n + ".Caption", "Password", "Heslo", "Parolă")
    t(m, n + ".Hint", "Change password", "Zmena hesla", "Schimbare parolă")
t(m, "btnSTOP.Caption", "Stop", "Zastaviť", "Oprire")
t(m, "btShowDifferences.Caption", "Differences", "Rozdiely", "Diferenţe")
t(m, "btShowDifferences.Hint", "List of every difference between module and editor", "Zoznam všetkých rozdielov medzi modulom a editorom", "Lista tuturor diferenţelor dintre modul şi editor")
t(m, "btnSendPassword.Caption", "Send password", "Odoslať heslo", "Trimite parola")
t(m, "btFirmwareDownload.Caption", "FirmWare Download", "Nahrať firmvér", "Încărcare firmware")
t(m, "btFlashReset.Caption", "Flash Reset !", "Reset pamäte !", "Reset memorie !")
t(m, "btFwReset.Caption", "FirmWare Reset!", "Reset firmvéru!", "Reset firmware!")
# difference list
t(m, "TDiffListForm.Caption", "Differences", "Rozdiely", "Diferenţe")
t(m, "lvDifferences.Columns.Header", ["Field", "Index", "Module value", "Editor value"], ["Pole", "Index", "Hodnota v module", "Hodnota v editore"], ["Câmp", "Index", "Valoare modul", "Valoare editor"])
# zones tab
for z in range(1, 5):
    t(m, "rgZonaBek%d.Caption" % z, "Wiring", "Zapojenie", "Cablare")
    t(m, "rgZonaBek%d.Items" % z, ["Normally open", "Normally closed"], ["Normálne otvorená", "Normálne zatvorená"], ["Normal deschis", "Normal închis"])
    t(m, "lbZoneSense%d.Caption" % z, "Zone sensitivity:", "Citlivosť zóny:", "Sensibilitate zonă:")
    t(m, "lbZoneDelayIn%d.Caption" % z, "Entry delay:", "Príchodové onesk.:", "Întârziere intrare:")
    t(m, "lbZoneDelayOut%d.Caption" % z, "Exit delay:", "Odchodové onesk.:", "Întârziere ieşire:")
    t(m, "lbZoneDelayInUnit%d.Caption" % z, "sec", "s", "sec")
    t(m, "lbZoneDelayOutUnit%d.Caption" % z, "sec", "s", "sec")
    t(m, "cb24h%d.Caption" % z, "24 hour zone", "24-hodinová zóna", "Zonă 24 ore")
    t(m, "cbZoneUnit%d.Items" % z, ["sec/10"], ["s/10"], ["sec/10"])
# events tab
EVENTS = [
    ("Z1 Alarm", "Z1 Poplach", "Z1 Alarmă"), ("Z1 Restore", "Z1 Obnovenie", "Z1 Revenire"),
    ("Z2 Alarm", "Z2 Poplach", "Z2 Alarmă"), ("Z2 Restore", "Z2 Obnovenie", "Z2 Revenire"),
    ("Z3 Alarm", "Z3 Poplach", "Z3 Alarmă"), ("Z3 Restore", "Z3 Obnovenie", "Z3 Revenire"),
    ("Z4 Alarm", "Z4 Poplach", "Z4 Alarmă"), ("Z4 Restore", "Z4 Obnovenie", "Z4 Revenire"),
    ("Arm", "Zastráženie", "Armare"), ("Disarm", "Odstráženie", "Dezarmare"),
    ("Test report", "Testovacia správa", "Raport de test"),
    ("Battery low", "Slabá batéria", "Baterie descărcată"), ("Battery OK", "Batéria v poriadku", "Baterie OK"),
]
for i, ev in enumerate(EVENTS, start=1):
    t(m, "lbEvent%d.Caption" % i, *["%02d. %s" % (i, x) for x in ev])
    t(m, "lbRelayRow%d.Caption" % i, *["%02d. %s" % (i, x) for x in ev])
t(m, "lbRelayRow0.Caption", "00. Control through phone call", "00. Ovládanie telefonátom", "00. Comandă prin apel telefonic")
t(m, "lbEventHead.Caption", "Event", "Udalosť", "Eveniment")
t(m, "lbCtidHead.Caption", "Contact ID", "Contact ID", "Contact ID")
t(m, "lbCenterHead.Caption", "Center", "PCO", "Dispecer")
t(m, "lbSmsHead.Caption", "SMS text", "Text SMS", "Text SMS")
# relays tab
t(m, "lbRelay1Head.Caption", "RELAY1", "RELÉ 1", "RELEU1")
t(m, "lbRelay2Head.Caption", "RELAY2", "RELÉ 2", "RELEU2")
for r in (1, 2):
    t(m, "lbREL%dtime.Caption" % r, "Switch-on time (sec, 255 = bistable):", "Doba zopnutia (s, 255 = bistabilné):", "Timp anclanşare (sec, 255 = bistabil):")
    t(m, "cbRel%dOffAtDisarm.Caption" % r, "Relay %d off at disarm" % r, "Relé %d vypnúť pri odstrážení" % r, "Releu %d oprit la dezarmare" % r)
t(m, "cbREL2GSM_Error.Caption", "Relay 2 signals GSM failure", "Relé 2 signalizuje poruchu GSM", "Releul 2 semnalizează eroare GSM")
t(m, "cbRel1Beep.Caption", "Beep at arming / disarming", "Pípnutie pri zastrážení / odstrážení", "Beep la armare / dezarmare")
t(m, "gbRelayActivation.Caption", "Relay activation", "Aktivácia relé", "Activare releu")
# phones tab
for i in range(1, 5):
    t(m, "lbTel%d.Caption" % i, "%d. Phone number" % i, "%d. telefónne číslo" % i, "Număr telefon %d" % i)
for i in (1, 2):
    t(m, "lbTelCentr%d.Caption" % i, "%d. Central ph.nr." % i, "%d. tel. číslo PCO" % i, "Tel. dispecerat %d" % i)
    t(m, "lbSMSFW%d.Caption" % i, "SMS forwarding %d." % i, "%d. preposielanie SMS" % i, "Redirecţionare SMS %d" % i)
t(m, "gbPhoneNumbers.Caption", "Phone numbers", "Telefónne čísla", "Numere de telefon")
t(m, "lbCLIPHead.Caption", "Caller ID (CLIP)", "Identifikácia volajúceho (CLIP)", "Identificare apelant (CLIP)")
for i in range(1, 5):
    t(m, "cmbCLIP%d.Items" % i,
      ["0-  none", "1-  no password required", "2-  relay 2 ON", "3-  relay 2 ON + pick up"],
      ["0-  žiadna", "1-  bez hesla", "2-  relé 2 ZAP", "3-  relé 2 ZAP + prijatie hovoru"],
      ["0-  nimic", "1-  fără parolă", "2-  releu 2 PORNIT", "3-  releu 2 PORNIT + preluare apel"])
t(m, "gbContactId.Caption", "Contact ID", "Contact ID", "Contact ID")
t(m, "lbUserAccount.Caption", "User ID:", "Číslo objektu:", "Cod utilizator:")
t(m, "gbCentralMode.Caption", "Monitoring station reporting mode", "Spôsob hlásenia na PCO", "Mod raportare la dispecerat")
t(m, "rbCentralMode1.Caption", "Regular reporting (notifying one central is sufficient)", "Bežné hlásenie (stačí upovedomiť jedno PCO)", "Raportare normală (e suficient un dispecerat)")
t(m, "rbCentralMode2.Caption", "Dual reporting (both centrals must be notified)", "Dvojité hlásenie (upovedomiť treba obe PCO)", "Raportare dublă (ambele dispecerate)")
# alarm tab
t(m, "gbAlarmSettings.Caption", "Arming, alarm and test report settings", "Nastavenie stráženia, poplachu a testovacej správy", "Setări armare, alarmă şi raport de test")
t(m, "lbOnOffMode.Caption", "Arm/Disarm method :", "Spôsob zastráženia / odstráženia :", "Mod armare / dezarmare :")
t(m, "cbNoOnOffIfActive.Caption", "No arming while any zone is active", "Nezastrážiť, ak je niektorá zóna aktívna", "Fără armare dacă o zonă este activă")
t(m, "lbAlarmMax.Caption", "Maximum alarm time (5-25 min) :", "Max. doba poplachu (5-25 min) :", "Durată maximă alarmă (5-25 min) :")
t(m, "lbZoneAlarmMax.Caption", "Maximum number of alarms per zone (0-25, 0=no limit) :", "Max. počet poplachov na zónu (0-25, 0=bez obmedzenia) :", "Număr maxim de alarme pe zonă (0-25, 0=nelimitat) :")
t(m, "lbZoneAlarmMaxHour.Caption", "Limitation duration (0-24 hours, 0=not limited) :", "Doba obmedzenia (0-24 hodín, 0=bez obmedzenia) :", "Durata limitării (0-24 ore, 0=nelimitat) :")
t(m, "lbTesztGyak.Caption", "Test report interval (0-255 hours) :", "Interval testovacej správy (0-255 hodín) :", "Interval raport de test (0-255 ore) :")
t(m, "lbTestTime.Caption", "Test report time (hh:mm) :", "Čas testovacej správy (hh:mm) :", "Ora raportului de test (hh:mm) :")

# ------------------------------------------------------------ long event list
e = sec("EventList")
t(e, "Caption", "Event List", "Zoznam udalostí", "Listă evenimente")
t(e, "lbEListLen.Caption", "Requested list length", "Požadovaná dĺžka zoznamu", "Lungime listă cerută")
t(e, "EvReq_Start.Caption", "Start event log download", "Stiahnuť záznam udalostí", "Descărcare jurnal evenimente")
t(e, "btListExport.Caption", "Export to file", "Uložiť do súboru", "Export în fişier")
t(e, "ELPrint.Caption", "Print", "Tlačiť", "Tipărire")
t(e, "btClose.Caption", "Close window", "Zavrieť okno", "Închidere fereastră")
t(e, "cgEvents.ColumnHeaders", *[GRID[l] + MARKS + [STATE[l]] for l in L])
t(e, "btStop.Caption", "Stop", "Zastaviť", "Oprire")
t(e, "lbFilter.Caption", "Filter:", "Filter:", "Filtru:")
t(e, "cbOnlyShown.Caption", "only shown rows", "len zobrazené riadky", "doar rândurile afişate")

# ------------------------------------------------------------ small windows
d = sec("FormDetails")
t(d, "Caption", "Communication details", "Podrobnosti komunikácie", "Detalii comunicaţie")
t(d, "btClose.Caption", "Close", "Zavrieť", "Închidere")
t(d, "btClear.Caption", "Clear windows", "Vymazať okná", "Golire ferestre")
t(d, "btStart.Caption", "Stop", "Zastaviť", "Oprire")
t(d, "btSave.Caption", "Save to file", "Uložiť do súboru", "Salvare în fişier")
t(d, "Memo5Head.Caption", "AT commands", "AT príkazy", "Comenzi AT")
t(d, "Memo3Head.Caption", "Comments", "Poznámky", "Comentarii")
t(d, "Memo4Head.Caption", "State", "Stav", "Stare")
t(d, "MemoDTMFHead.Caption", "DTMF", "DTMF", "DTMF")
t(d, "Memo2Head.Caption", "Sent", "Odoslané", "Trimise")

o = sec("FormOnOffMode")
t(o, "Caption", "Arm / Disarm method", "Spôsob zastráženia / odstráženia", "Mod armare / dezarmare")
t(o, "rgOnOffMode.Caption", "Arm / Disarm", "Zastráženie / Odstráženie", "Armare / Dezarmare")
t(o, "btClose.Caption", "Close", "Zavrieť", "Închidere")
t(o, "rgOnOffMode.Items", [
    "0 - Always Armed",
    "1 - Using Switch:                      IN4 closed = Arm                                                     IN4 open = Disarm",
    "2 - Using Switch:                      IN4 open = Arm                                                       IN4 closed = Disarm",
    "3 - One kind of impluse:            IN4 closed contact impulse  = Arm/Disarm",
    "4 - Two kinds of impulses:        IN3 closed contact impulse = Arm                           IN4 closed contact impulse = Disarm",
    "5 - Two kinds of impulses:        IN3 open contact impulse = Arm                             IN4 open contact impulse = Disarm",
], [
    "0 - Vždy zastrážené",
    "1 - Spínačom:                          IN4 skrat = Zastráženie                                           IN4 rozpojenie = Odstráženie",
    "2 - Spínačom:                          IN4 rozpojenie = Zastráženie                                    IN4 skrat = Odstráženie",
    "3 - Jedným druhom impulzu:       IN4 spínací impulz  = Zastráženie/Odstráženie",
    "4 - Dvoma druhmi impulzov:       IN3 spínací impulz = Zastráženie                          IN4 spínací impulz = Odstráženie",
    "5 - Dvoma druhmi impulzov:       IN3 rozpínací impulz = Zastráženie                      IN4 rozpínací impulz = Odstráženie",
], [
    "0 - Armat permanent",
    "1 - Cu comutator:                      IN4 închis = Armare                                                 IN4 deschis = Dezarmare",
    "2 - Cu comutator:                      IN4 deschis = Armare                                               IN4 închis = Dezarmare",
    "3 - Cu un singur impuls:             IN4 impuls contact închis  = Armare/Dezarmare",
    "4 - Cu două impulsuri:              IN3 impuls contact închis = Armare                       IN4 impuls contact închis = Dezarmare",
    "5 - Cu două impulsuri:              IN3 impuls contact deschis = Armare                     IN4 impuls contact deschis = Dezarmare",
])

g = sec("FormDialog")
t(g, "Caption", "Warning", "Upozornenie", "Avertisment")
t(g, "Label1.Caption", "Are you sure you want to change the password?", "Naozaj chcete zmeniť heslo?", "Sigur doriţi să schimbaţi parola?")
t(g, "btnYes.Caption", "Yes", "Áno", "Da")
t(g, "btnNo.Caption", "No", "Nie", "Nu")

u = sec("FormUpdate")
t(u, "Caption", "Check for program updates", "Hľadanie aktualizácií programu", "Căutare actualizări program")
t(u, "lbCurrentVersionText.Caption", "Current program version : ", "Aktuálna verzia programu : ", "Versiunea actuală : ")
t(u, "lbNewVersionText.Caption", "Latest version : ", "Najnovšia verzia : ", "Cea mai nouă versiune : ")
t(u, "lbWantToDownload.Caption", "Download it now? ", "Stiahnuť ju teraz? ", "O descărcaţi acum? ")
t(u, "lbWaitForRestart.Caption", "The program restarts by itself after the download!",
  "Program sa po stiahnutí sám reštartuje!", "Programul reporneşte singur după descărcare!")
t(u, "btnStartDownload.Caption", "Yes", "Áno", "Da")
t(u, "btnDontDownload.Caption", "No", "Nie", "Nu")
t(u, "cbAllowDownloadQuery.Caption", "Allow automatic program update", "Povoliť automatickú aktualizáciu programu", "Permite actualizarea automată a programului")

f = sec("MessageForm")
t(f, "Caption", "System message", "Systémová správa", "Mesaj de sistem")
t(f, "btnOK.Caption", "OK", "OK", "OK")

p = sec("PWForm")
t(p, "Caption", "Password", "Heslo", "Parolă")
t(p, "Button1.Caption", "OK", "OK", "OK")

# ------------------------------------------------------------ text catalogue
c = sec("TextContainer")
CAT = [
    ("lbTXT_ARM_STATE_ARMED", "Armed", "Zastrážené", "Armat"),
    ("lbTXT_ARM_STATE_DISARMED", "Disarmed", "Odstrážené", "Dezarmat"),
    ("lbTXT_BAD_PORT_NUMBER", "Bad port number! Using 3333 as default.", "Chybné číslo portu! Použije sa predvolený port 3333.", "Număr de port greşit! Se foloseşte portul implicit 3333."),
    ("lbTXT_CANNOT_SAVE_DATA", "No data to save!", "Žiadne údaje na uloženie!", "Nu există date de salvat!"),
    ("lbTXT_CANNOT_SEND_DATA", "No data to download!", "Žiadne údaje na zápis!", "Nu există date de transmis!"),
    ("lbTXT_CENTRAL_STATION", "Monitoring station", "PCO", "Dispecerat"),
    ("lbTXT_CLEAN_SUCCES", "Event log deleted.", "Záznam udalostí vymazaný.", "Jurnalul de evenimente a fost şters."),
    ("lbTXT_comment0", "  Legend:", "  Vysvetlivky:", "  Legendă:"),
    ("lbTXT_comment1", "   ? = Not reported yet, need to report.", "   ? = Ešte nenahlásené, treba nahlásiť.", "   ? = Neraportat încă, trebuie raportat."),
    ("lbTXT_comment2", "   * = Report delivered successfully.", "   * = Správa úspešne doručená.", "   * = Raport livrat cu succes."),
    ("lbTXT_comment3", "   R = Report skipped because delivered alternatively.", "   R = Správa vynechaná, doručená inou cestou.", "   R = Raport omis, livrat pe altă cale."),
    ("lbTXT_comment4", "   ! = Report delivery failed!", "   ! = Doručenie správy zlyhalo!", "   ! = Livrarea raportului a eşuat!"),
    ("lbTXT_comment4b", "   T = Alarm Timneout, report skipped!", "   T = Uplynul čas poplachu, správa vynechaná!", "   T = Timp de alarmă expirat, raport omis!"),
    ("lbTXT_comment5", "   S = Stopped, report skipped.", "   S = Zastavené, správa vynechaná.", "   S = Oprit, raport omis."),
    ("lbTXT_comment6", "   T1-T4 : Report in telephone call.", "   T1-T4 : Hlásenie telefonátom.", "   T1-T4 : Raport prin apel telefonic."),
    ("lbTXT_comment7", "   S1-S4 : Report in SMS to the given phone numbers.", "   S1-S4 : Hlásenie SMS na zadané telefónne čísla.", "   S1-S4 : Raport prin SMS la numerele de telefon date."),
    ("lbTXT_comment8", "   K1-K2 : Report to the monitoring station.", "   K1-K2 : Hlásenie na PCO.", "   K1-K2 : Raport la dispecerat."),
    ("lbTXT_comment9", "  Event log:", "  Záznam udalostí:", "  Jurnal evenimente:"),
    ("lbTXT_CONNECTED_MODULE_NAME", "Module :", "Modul :", "Modul :"),
    ("lbTXT_CONNECTING_TO_SERVER", "Connecting to server...", "Pripájanie k serveru...", "Conectare la server..."),
    ("lbTXT_DEVICE_OPEN_FAILED", "The USB device was found but could not be opened (another program holds it or access is denied).", "Zariadenie USB sa našlo, ale nedá sa otvoriť (používa ho iný program alebo chýba prístupové právo).", "Dispozitivul USB a fost găsit, dar nu poate fi deschis (îl foloseşte alt program sau accesul este interzis)."),
    ("lbTXT_EVENT_DATE", "Date/Time: ", "Dátum/Čas: ", "Dată/Oră: "),
    ("lbTXT_EVENT_PROPS", "Event details: ", "Podrobnosti udalosti: ", "Detalii eveniment: "),
    ("lbTXT_EVENT_TARGET", "Report for the following event: ", "Hlásenie o nasledujúcej udalosti: ", "Raport pentru evenimentul: "),
    ("lbTXT_EVENT_TYPE_ER", "Report delivery failed!", "Doručenie správy zlyhalo!", "Livrarea raportului a eşuat!"),
    ("lbTXT_EVENT_TYPE_NO", "No report generated.", "Správa sa nevytvorila.", "Nu s-a generat raport."),
    ("lbTXT_EVENT_TYPE_OK", "Report delivered successfully.", "Správa úspešne doručená.", "Raport livrat cu succes."),
    ("lbTXT_EVENT_TYPE_RE", "Report skipped because delivered alternatively.", "Správa vynechaná, doručená inou cestou.", "Raport omis, livrat pe altă cale."),
    ("lbTXT_EVENT_TYPE_ST", "Disarmed, report skipped.", "Odstrážené, správa vynechaná.", "Dezarmat, raport omis."),
    ("lbTXT_EVENT_TYPE_TO", "Alarm Timeout, report skipped!", "Uplynul čas poplachu, správa vynechaná!", "Timp de alarmă expirat, raport omis!"),
    ("lbTXT_EVENT_TYPE_UN", "Report in progress...", "Hlásenie prebieha...", "Raportare în curs..."),
    ("lbTXT_EVSTATE_DELAYED", "Delayed", "Oneskorené", "Întârziat"),
    ("lbTXT_EVSTATE_FINSHED", "Finished", "Ukončené", "Terminat"),
    ("lbTXT_EVSTATE_PROCESSING", "Processing", "Spracováva sa", "În curs"),
    ("lbTXT_EVSTATE_STOPPED", "Stopped", "Zastavené", "Oprit"),
    ("lbTXT_FAILED_TO_READ_FILE", "File read error!", "Chyba pri čítaní súboru!", "Eroare la citirea fişierului!"),
    ("lbTXT_GIVEN_PWD_NOT_CORRECT", "Current password does not match the given password!", "Zadané aktuálne heslo nesúhlasí s heslom modulu!", "Parola actuală introdusă nu corespunde parolei modulului!"),
    ("lbTXT_GIVE_PASSWORD_FIRST", "Please type in your password before connecting!", "Pred pripojením zadajte heslo!", "Introduceţi parola înainte de conectare!"),
    ("lbTXT_INCOMPATIBLE_FILE", "Data version mismatch", "Nezhodná verzia údajov", "Versiune de date diferită"),
    ("lbTXT_INCOMPATIBLE_MODULE", "This version of the program is not compatible with the module!", "Táto verzia programu nie je kompatibilná s modulom!", "Această versiune a programului nu este compatibilă cu modulul!"),
    ("lbTXT_INPUT_LABEL_ALARM", "ALARM", "POPLACH", "ALARMĂ"),
    ("lbTXT_INPUT_LABEL_DISARMED", "Disarmed", "Odstrážené", "Dezarmat"),
    ("lbTXT_INPUT_LABEL_IDLE", "Idle", "Pokoj", "Repaus"),
    ("lbTXT_INVALID_PWD", "Password not correct!", "Nesprávne heslo!", "Parolă incorectă!"),
    ("lbTXT_INVALID_SERIAL_NR", "Serial number not correct!", "Nesprávne výrobné číslo!", "Număr de serie incorect!"),
    ("lbTXT_NEW_PW_Form_CAPTION", "Change password", "Zmena hesla", "Schimbare parolă"),
    ("lbTXT_NOT_AVAILABLE", "This function is not available in this version of the program.", "Táto funkcia nie je v tejto verzii programu dostupná.", "Această funcţie nu este disponibilă în această versiune a programului."),
    ("lbTXT_NO_CONNECTION", "No connection!", "Bez spojenia!", "Fără conexiune!"),
    ("lbTXT_NO_SERIAL_CONN", " No serial connection.", " Bez sériového spojenia.", " Fără conexiune serială."),
    ("lbTXT_NO_UPDATE_REQUIRED", "No update required!", "Aktualizácia nie je potrebná!", "Nu este necesară actualizarea!"),
    ("lbTXT_OFF", "OFF", "VYP", "OPRIT"),
    ("lbTXT_ON", "ON", "ZAP", "PORNIT"),
    ("lbTXT_OPEN", "Open", "Rozpojené", "Deschis"),
    ("lbTXT_PASSWORD", "Password", "Heslo", "Parolă"),
    ("lbTXT_PW_CAPTION1", "Type in the password of the module", "Zadajte heslo modulu", "Introduceţi parola modulului"),
    ("lbTXT_PW_CAPTION2", "Old password:", "Staré heslo:", "Parola veche:"),
    ("lbTXT_PW_CAPTION3", "New password:", "Nové heslo:", "Parola nouă:"),
    ("lbTXT_PW_CAPTION4", "Repeat new password:", "Nové heslo ešte raz:", "Repetaţi parola nouă:"),
    ("lbTXT_PW_CHANGE_OK", "New password validated.", "Nové heslo je platné.", "Parola nouă a fost validată."),
    ("lbTXT_READ_DATA_ANYHOW", "Try to read parameters anyway?", "Napriek tomu načítať parametre?", "Citiţi totuşi parametrii?"),
    ("lbTXT_SECUR_PW_OK", "Password accepted.", "Heslo prijaté.", "Parolă acceptată."),
    ("lbTXT_SHORT", "Short", "Skrat", "Scurtcircuit"),
    ("lbTXT_STARTED_VANTREL_NAME", "Programme :", "Program :", "Program :"),
    ("lbTXT_TEST_ANSWER_OK", "Test answer OK.", "Testovacia odpoveď v poriadku.", "Răspuns de test OK."),
    ("lbTXT_UNABLE_TO_CONNECT", "Unable to connect!", "Pripojenie zlyhalo!", "Conectare eşuată!"),
    ("lbTXT_UPDATE_NO_SERVER", "No update server answered.", "Žiadny aktualizačný server neodpovedal.",
     "Niciun server de actualizare nu a răspuns."),
    ("lbTXT_UPDATE_BAD_ANSWER", "The update server's answer could not be understood.",
     "Odpoveď aktualizačného servera sa nedá spracovať.", "Răspunsul serverului de actualizare nu poate fi interpretat."),
    ("lbTXT_UPDATE_DOWNLOAD_FAILED", "The download did not complete; the program was not changed.",
     "Sťahovanie sa nedokončilo, program zostal nezmenený.", "Descărcarea nu s-a încheiat; programul nu a fost modificat."),
    ("lbTXT_UPDATE_SWAP_FAILED", "The new version could not be put in place; the program was not changed.",
     "Novú verziu sa nepodarilo nainštalovať, program zostal nezmenený.",
     "Noua versiune nu a putut fi instalată; programul nu a fost modificat."),
    ("lbTXT_UPDATE_FOLDER_READONLY", "The program's folder cannot be written. Download the new version here:",
     "Do priečinka programu nie je možné zapisovať. Novú verziu si stiahnite tu:",
     "Dosarul programului nu poate fi scris. Descărcaţi noua versiune de aici:"),
    ("lbTXT_VANTREL_INCOMPATIBLE", "This program is incompatible with the connected module!", "Tento program nie je kompatibilný s pripojeným modulom!", "Acest program nu este compatibil cu modulul conectat!"),
    # morvo3-cli's own framing words
    ("lbTXT_CLI_ERROR", "error:", "chyba:", "eroare:"),
]
for key, en, sk, ro in CAT:
    t(c, key + ".Caption", en, sk, ro)


def encode_value(text):
    """Quoted parts, control characters as #codes (a line break is #13#10)."""
    text = text.replace("\n", "\r\n")
    out, run = [], ""
    for ch in text:
        if ord(ch) < 32:
            if run:
                out.append('"' + run.replace('"', '""') + '"')
                run = ""
            out.append("#%d" % ord(ch))
        else:
            run += ch
    if run or not out:
        out.append('"' + run.replace('"', '""') + '"')
    return "".join(out)


def join_list(items):
    parts = []
    for it in items:
        if not it or any(c in it for c in ' ,"'):
            parts.append('"' + it.replace('"', '""') + '"')
        else:
            parts.append(it)
    return ",".join(parts)


def main():
    names = {"en": "english.lng", "sk": "slovak.lng", "ro": "romanian.lng"}
    for li, lang in enumerate(L):
        lines = []
        for section, entries in S.items():
            lines.append("[%s]" % section)
            for entry in entries:
                value = entry[1 + li]
                if isinstance(value, list):
                    value = join_list(value)
                if lang == "ro":
                    # Windows-1250 has only the cedilla letters.
                    assert not any(c in value for c in "șțȘȚ"), value
                lines.append("%s=%s" % (entry[0], encode_value(value)))
            lines.append("")
        data = "\r\n".join(lines).encode("cp1250")
        with open(os.path.join(HERE, names[lang]), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
