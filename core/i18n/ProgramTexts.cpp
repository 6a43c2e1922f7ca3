#include "core/i18n/ProgramTexts.h"

#include "core/i18n/Cp1252.h"
#include "core/i18n/FXUStringTable.h"

#include <stdexcept>

namespace {

// English, French, Italian, Dutch, German.
const char* const kRows[ProgramTexts::kCount][FXUStringTable::kLanguages] = {
    {"%1: the character %2 cannot be stored; please use Western European letters only.",
     "%1 : le caractère %2 ne peut pas être enregistré ; veuillez n'utiliser que des lettres d'Europe "
     "occidentale.",
     "%1: il carattere %2 non può essere memorizzato; usare solo lettere dell'Europa occidentale.",
     "%1: het teken %2 kan niet worden opgeslagen; gebruik alleen West-Europese letters.",
     "%1: Das Zeichen %2 kann nicht gespeichert werden; bitte nur westeuropäische Buchstaben verwenden."},
    {"%1: too long to be stored (%2 characters with the line breaks, at most %3).",
     "%1 : trop long pour être enregistré (%2 caractères avec les retours à la ligne, %3 au plus).",
     "%1: troppo lungo per essere memorizzato (%2 caratteri con gli a capo, al massimo %3).",
     "%1: te lang om op te slaan (%2 tekens met de regeleinden, hoogstens %3).",
     "%1: zu lang zum Speichern (%2 Zeichen mit den Zeilenumbrüchen, höchstens %3)."},
    {"The file of machine %1 could not be written; the previous file is kept. The event log says why.",
     "Le fichier de la machine %1 n'a pas pu être écrit ; l'ancien fichier est conservé. Le journal en "
     "donne la raison.",
     "Impossibile scrivere il file della macchina %1; il file precedente viene conservato. Il motivo è "
     "indicato nel registro eventi.",
     "Het bestand van machine %1 kon niet worden geschreven; het vorige bestand blijft bewaard. Het logboek "
     "vermeldt de reden.",
     "Die Datei der Maschine %1 konnte nicht geschrieben werden; die vorherige Datei bleibt erhalten. Das "
     "Ereignisprotokoll nennt den Grund."},
    {"This user may not use the port %1: ask the administrator to add the user to the \"dialout\" group, "
     "then log in again.",
     "Cet utilisateur n'a pas le droit d'utiliser le port %1 : demandez à l'administrateur d'ajouter "
     "l'utilisateur au groupe \"dialout\", puis reconnectez-vous.",
     "Questo utente non può usare la porta %1: chiedere all'amministratore di aggiungere l'utente al gruppo "
     "\"dialout\", poi accedere di nuovo.",
     "Deze gebruiker mag de poort %1 niet gebruiken: vraag de beheerder de gebruiker aan de groep "
     "\"dialout\" toe te voegen en meld u opnieuw aan.",
     "Dieser Benutzer darf den Port %1 nicht verwenden: bitten Sie den Administrator, den Benutzer zur "
     "Gruppe \"dialout\" hinzuzufügen, und melden Sie sich neu an."},
    {"Another program is using the port %1: close it (a terminal or modem program, for example) and try "
     "again.",
     "Un autre programme utilise le port %1 : fermez-le (un terminal ou un gestionnaire de modem, par "
     "exemple) et réessayez.",
     "Un altro programma sta usando la porta %1: chiuderlo (ad esempio un terminale o un gestore di modem) "
     "e riprovare.",
     "Een ander programma gebruikt de poort %1: sluit het (bijvoorbeeld een terminal- of modemprogramma) en "
     "probeer het opnieuw.",
     "Ein anderes Programm verwendet den Port %1: schließen Sie es (zum Beispiel ein Terminal- oder "
     "Modemprogramm) und versuchen Sie es erneut."},
    {"A machine operation is running: the program can be closed when it has ended.",
     "Une opération avec la machine est en cours : le programme pourra être fermé lorsqu'elle sera "
     "terminée.",
     "È in corso un'operazione con la macchina: il programma potrà essere chiuso al suo termine.",
     "Er loopt een bewerking met de machine: het programma kan worden gesloten wanneer die klaar is.",
     "Ein Vorgang mit der Maschine läuft: das Programm kann geschlossen werden, wenn er beendet ist."},
    {"The file of machine %1 could not be written:\n%2\n\nIts changes are still in the program and are lost "
     "if it closes now. The event log says why. Try again once the fault is put right, close without saving, "
     "or cancel to keep the program open.",
     "Le fichier de la machine %1 n'a pas pu être écrit :\n%2\n\nSes modifications sont encore dans le "
     "programme et seront perdues s'il se ferme maintenant. Le journal en donne la raison. Réessayez une "
     "fois "
     "le problème réglé, fermez sans enregistrer, ou annulez pour garder le programme ouvert.",
     "Impossibile scrivere il file della macchina %1:\n%2\n\nLe modifiche sono ancora nel programma e "
     "andranno "
     "perse se si chiude ora. Il motivo è indicato nel registro eventi. Riprovare dopo aver risolto il "
     "problema, chiudere senza salvare, oppure annullare per lasciare il programma aperto.",
     "Het bestand van machine %1 kon niet worden geschreven:\n%2\n\nDe wijzigingen zitten nog in het "
     "programma en gaan verloren als het nu sluit. Het logboek vermeldt de reden. Probeer opnieuw zodra het "
     "probleem verholpen is, sluit zonder op te slaan, of annuleer om het programma open te houden.",
     "Die Datei der Maschine %1 konnte nicht geschrieben werden:\n%2\n\nIhre Änderungen sind noch im "
     "Programm "
     "und gehen verloren, wenn es jetzt geschlossen wird. Das Ereignisprotokoll nennt den Grund. Erneut "
     "versuchen, sobald der Fehler behoben ist, ohne Speichern schließen oder abbrechen, um das Programm "
     "offen "
     "zu lassen."},
    {"Try again", "Réessayer", "Riprova", "Opnieuw proberen", "Erneut versuchen"},
    {"Close without saving", "Fermer sans enregistrer", "Chiudi senza salvare", "Sluiten zonder opslaan",
     "Ohne Speichern schließen"},
    {"Cancel", "Annuler", "Annulla", "Annuleren", "Abbrechen"},
    {"The database %1 is already open in another copy of the program (process %2). This copy does not load "
     "it and closes now.",
     "La base de données %1 est déjà ouverte dans une autre copie du programme (processus %2). Cette copie "
     "ne "
     "la charge pas et se ferme.",
     "Il database %1 è già aperto in un'altra copia del programma (processo %2). Questa copia non lo carica "
     "e "
     "si chiude.",
     "De database %1 is al geopend in een ander exemplaar van het programma (proces %2). Dit exemplaar laadt "
     "hem niet en sluit nu af.",
     "Die Datenbank %1 ist bereits in einer anderen Instanz des Programms geöffnet (Prozess %2). Diese "
     "Instanz "
     "lädt sie nicht und wird jetzt beendet."},
    {"The database %1 is already open in another copy of the program. This copy does not load it and closes "
     "now.",
     "La base de données %1 est déjà ouverte dans une autre copie du programme. Cette copie ne la charge pas "
     "et se ferme.",
     "Il database %1 è già aperto in un'altra copia del programma. Questa copia non lo carica e si chiude.",
     "De database %1 is al geopend in een ander exemplaar van het programma. Dit exemplaar laadt hem niet en "
     "sluit nu af.",
     "Die Datenbank %1 ist bereits in einer anderen Instanz des Programms geöffnet. Diese Instanz lädt sie "
     "nicht und wird jetzt beendet."},
    {"The file could not be opened: it is no longer there, or this user may not read it.",
     "Le fichier n'a pas pu être ouvert : il n'existe plus, ou cet utilisateur n'a pas le droit de le lire.",
     "Impossibile aprire il file: non esiste più, oppure questo utente non ha il permesso di leggerlo.",
     "Het bestand kon niet worden geopend: het bestaat niet meer, of deze gebruiker mag het niet lezen.",
     "Die Datei konnte nicht geöffnet werden: sie ist nicht mehr vorhanden, oder dieser Benutzer darf sie "
     "nicht lesen."},
    {"An export cannot be written into the database folder, where it would replace a machine's file: "
     "please choose another folder.",
     "Une exportation ne peut pas être écrite dans le dossier de la base de données, où elle remplacerait le "
     "fichier d'une machine : veuillez choisir un autre dossier.",
     "Un'esportazione non può essere scritta nella cartella della banca dati, dove sostituirebbe il file di "
     "una macchina: scegliere un'altra cartella.",
     "Een export kan niet in de map van de database worden geschreven, waar hij het bestand van een machine "
     "zou vervangen: kies een andere map.",
     "Ein Export kann nicht in den Ordner der Datenbank geschrieben werden, wo er die Datei einer Maschine "
     "ersetzen würde: bitte einen anderen Ordner wählen."},
    {"The settings file %1 cannot be read. The program starts with its default settings and does not "
     "change that file. The event log says why.",
     "Le fichier de réglages %1 ne peut pas être lu. Le programme démarre avec ses réglages par défaut et ne "
     "modifie pas ce fichier. Le journal en donne la raison.",
     "Impossibile leggere il file delle impostazioni %1. Il programma si avvia con le impostazioni "
     "predefinite e non modifica quel file. Il motivo è indicato nel registro eventi.",
     "Het instellingenbestand %1 kan niet worden gelezen. Het programma start met de standaardinstellingen "
     "en wijzigt dat bestand niet. Het logboek vermeldt de reden.",
     "Die Einstellungsdatei %1 kann nicht gelesen werden. Das Programm startet mit den "
     "Standardeinstellungen und ändert diese Datei nicht. Das Ereignisprotokoll nennt den Grund."},
    {"%1 (not present)", "%1 (absent)", "%1 (non presente)", "%1 (niet aanwezig)", "%1 (nicht vorhanden)"},
    {"The file of machine %1 could not be written, so the new history is not in the database yet. It has "
     "been "
     "kept in the folder %2, from where File > Import history (.bin) files it again once the fault is put "
     "right. The event log says why.",
     "Le fichier de la machine %1 n'a pas pu être écrit : le nouvel historique n'est donc pas encore dans la "
     "base de données. Il a été conservé dans le dossier %2, d'où Fichier > Importer historique (.bin) le "
     "réintègre une "
     "fois le problème réglé. Le journal en donne la raison.",
     "Impossibile scrivere il file della macchina %1: la nuova cronologia non è quindi ancora nel database. "
     "È stata conservata nella cartella %2, da cui File > Inserire storico (.bin) la reinserisce una volta "
     "risolto il "
     "problema. Il motivo è indicato nel registro eventi.",
     "Het bestand van machine %1 kon niet worden geschreven, dus de nieuwe geschiedenis staat nog niet in de "
     "database. Ze is bewaard in de map %2, van waaruit Bestand > Historiek (.bin) invoeren haar opnieuw "
     "opslaat zodra "
     "het probleem verholpen is. Het logboek vermeldt de reden.",
     "Die Datei der Maschine %1 konnte nicht geschrieben werden, daher ist die neue Historie noch nicht in "
     "der Datenbank. Sie wurde im Ordner %2 aufbewahrt, aus dem Datei > Historie Einfuhren sie wieder "
     "einträgt, sobald der Fehler behoben ist. Das Ereignisprotokoll nennt den Grund."},
    {"The file of machine %1 could not be written, and the new history could not be kept anywhere else "
     "either: it exists only in this program until it closes. Put the fault right before closing the "
     "program. The event log says why.",
     "Le fichier de la machine %1 n'a pas pu être écrit, et le nouvel historique n'a pu être conservé nulle "
     "part ailleurs : il n'existe que dans ce programme jusqu'à sa fermeture. Réglez le problème avant de "
     "fermer le programme. Le journal en donne la raison.",
     "Impossibile scrivere il file della macchina %1, e non è stato possibile conservare la nuova cronologia "
     "altrove: esiste solo in questo programma fino alla sua chiusura. Risolvere il problema prima di "
     "chiudere il programma. Il motivo è indicato nel registro eventi.",
     "Het bestand van machine %1 kon niet worden geschreven en de nieuwe geschiedenis kon ook nergens anders "
     "worden bewaard: ze bestaat alleen in dit programma tot het sluit. Verhelp het probleem voordat u het "
     "programma sluit. Het logboek vermeldt de reden.",
     "Die Datei der Maschine %1 konnte nicht geschrieben werden, und die neue Historie konnte auch nirgends "
     "sonst aufbewahrt werden: sie existiert nur in diesem Programm, bis es geschlossen wird. Beheben Sie "
     "den Fehler, bevor Sie das Programm schließen. Das Ereignisprotokoll nennt den Grund."},
    {"The file of machine %1 (%2) has been changed by another program, or can no longer be read, since this "
     "program loaded it: its history is not opened and nothing is written to it. Close and start the program "
     "again to load the file as it is now. The event log says why.",
     "Le fichier de la machine %1 (%2) a été modifié par un autre programme, ou ne peut plus être lu, depuis "
     "que ce programme l'a chargé : son historique n'est pas ouvert et rien n'y est écrit. Fermez et "
     "relancez "
     "le programme pour charger le fichier tel qu'il est. Le journal en donne la raison.",
     "Il file della macchina %1 (%2) è stato modificato da un altro programma, o non è più leggibile, da "
     "quando "
     "questo programma lo ha caricato: la sua cronologia non viene aperta e non vi viene scritto nulla. "
     "Chiudere e riavviare il programma per caricare il file così com'è ora. Il motivo è indicato nel "
     "registro eventi.",
     "Het bestand van machine %1 (%2) is door een ander programma gewijzigd, of kan niet meer worden "
     "gelezen, "
     "sinds dit programma het laadde: de geschiedenis wordt niet geopend en er wordt niets in geschreven. "
     "Sluit het programma en start het opnieuw om het bestand te laden zoals het nu is. Het logboek vermeldt "
     "de reden.",
     "Die Datei der Maschine %1 (%2) wurde von einem anderen Programm geändert oder kann nicht mehr gelesen "
     "werden, seit dieses Programm sie geladen hat: ihre Historie wird nicht geöffnet und nichts "
     "hineingeschrieben. "
     "Schließen und starten Sie das Programm neu, um die Datei so zu laden, wie sie jetzt ist. Das "
     "Ereignisprotokoll nennt den Grund."},
    {"This user (%1) may not open the serial ports, so no machine can be reached. Ask the administrator to "
     "add the user to the \"dialout\" group (as root: adduser %1 dialout), then log out and log in again.",
     "Cet utilisateur (%1) n'a pas le droit d'ouvrir les ports série : aucune machine ne peut être jointe. "
     "Demandez à l'administrateur d'ajouter l'utilisateur au groupe \"dialout\" (en root : adduser %1 "
     "dialout), puis fermez la session et reconnectez-vous.",
     "Questo utente (%1) non può aprire le porte seriali: nessuna macchina è raggiungibile. Chiedere "
     "all'amministratore di aggiungere l'utente al gruppo \"dialout\" (come root: adduser %1 dialout), "
     "poi uscire e accedere di nuovo.",
     "Deze gebruiker (%1) mag de seriële poorten niet openen: er is geen machine te bereiken. Vraag de "
     "beheerder de gebruiker aan de groep \"dialout\" toe te voegen (als root: adduser %1 dialout), meld u "
     "daarna af en opnieuw aan.",
     "Dieser Benutzer (%1) darf die seriellen Ports nicht öffnen, daher ist keine Maschine erreichbar. "
     "Bitten Sie den Administrator, den Benutzer zur Gruppe \"dialout\" hinzuzufügen (als root: adduser %1 "
     "dialout), und melden Sie sich dann ab und wieder an."},
    {"Name, address, machine or serial number", "Nom, adresse, n° de machine ou de série",
     "Nome, indirizzo, n. macchina o di serie", "Naam, adres, machine- of serienummer",
     "Name, Adresse, Maschinen- oder Seriennummer"},
    {"Any service date", "Toute date d'entretien", "Qualsiasi data di assistenza", "Elke onderhoudsdatum",
     "Beliebiges Wartungsdatum"},
    {"Not serviced for 6 months", "Sans entretien depuis 6 mois", "Senza assistenza da 6 mesi",
     "6 maanden niet onderhouden", "Seit 6 Monaten nicht gewartet"},
    {"Not serviced for 1 year", "Sans entretien depuis 1 an", "Senza assistenza da 1 anno",
     "1 jaar niet onderhouden", "Seit 1 Jahr nicht gewartet"},
    {"Not serviced for 2 years", "Sans entretien depuis 2 ans", "Senza assistenza da 2 anni",
     "2 jaar niet onderhouden", "Seit 2 Jahren nicht gewartet"},
    {"All types", "Tous les types", "Tutti i tipi", "Alle typen", "Alle Typen"},
    {"%1 of %2 machines", "%1 machines sur %2", "%1 di %2 macchine", "%1 van %2 machines",
     "%1 von %2 Maschinen"},
    {"No machine matches the search.", "Aucune machine ne correspond à la recherche.",
     "Nessuna macchina corrisponde alla ricerca.", "Geen enkele machine voldoet aan de zoekopdracht.",
     "Keine Maschine entspricht der Suche."},
    {"Service report", "Rapport d'entretien", "Rapporto di assistenza", "Onderhoudsrapport",
     "Servicebericht"},
    {"Service report...", "Rapport d'entretien...", "Rapporto di assistenza...", "Onderhoudsrapport...",
     "Servicebericht..."},
    {"Type", "Modèle", "Tipo", "Model", "Typ"},
    {"Record of %1", "Relevé du %1", "Rilevamento del %1", "Uitlezing van %1", "Auslesung vom %1"},
    {"Printed on %1", "Imprimé le %1", "Stampato il %1", "Afgedrukt op %1", "Gedruckt am %1"},
    {"Alarms", "Alarmes", "Allarmi", "Alarmen", "Alarme"},
    {"Last %1 events (alarms marked *)", "%1 derniers événements (alarmes marquées *)",
     "Ultimi %1 eventi (allarmi segnati con *)", "Laatste %1 gebeurtenissen (alarmen met *)",
     "Letzte %1 Ereignisse (Alarme mit * markiert)"},
    {"No alarm", "Aucune alarme", "Nessun allarme", "Geen alarm", "Kein Alarm"},
    {"Days", "Jours", "Giorni", "Dagen", "Tage"},
    {"Hours", "Heures", "Orari", "Uren", "Uhrzeit"},
    {"Workshop name", "Nom de l'atelier", "Nome dell'officina", "Naam van de werkplaats",
     "Name der Werkstatt"},
    {"Workshop address", "Adresse de l'atelier", "Indirizzo dell'officina", "Adres van de werkplaats",
     "Anschrift der Werkstatt"},
    {"The name and address of your workshop, printed at the top of every service report:",
     "Le nom et l'adresse de votre atelier, imprimés en tête de chaque rapport d'entretien :",
     "Il nome e l'indirizzo della vostra officina, stampati in testa a ogni rapporto di assistenza:",
     "De naam en het adres van uw werkplaats, bovenaan elk onderhoudsrapport afgedrukt:",
     "Name und Anschrift Ihrer Werkstatt, oben auf jedem Servicebericht gedruckt:"},
    {"Print...", "Imprimer...", "Stampa...", "Afdrukken...", "Drucken..."},
    {"Save as PDF...", "Enregistrer en PDF...", "Salva come PDF...", "Opslaan als PDF...",
     "Als PDF speichern..."},
    {"The service report could not be written: %1", "Le rapport d'entretien n'a pas pu être écrit : %1",
     "Impossibile scrivere il rapporto di assistenza: %1",
     "Het onderhoudsrapport kon niet worden geschreven: %1",
     "Der Servicebericht konnte nicht geschrieben werden: %1"},
    {"Trends", "Évolution", "Andamento", "Verloop", "Verlauf"},
    {"Point at a value to read it; click it to open its record.",
     "Survolez un point pour lire sa valeur ; cliquez dessus pour ouvrir son relevé.",
     "Passare sopra un punto per leggerne il valore; fare clic per aprire il suo rilevamento.",
     "Wijs een punt aan om de waarde te lezen; klik erop om de uitlezing te openen.",
     "Zeigen Sie auf einen Punkt, um den Wert zu lesen; klicken Sie darauf, um seine Auslesung zu öffnen."},
    {"Central store unreachable: working locally", "Base centrale injoignable : travail en local",
     "Archivio centrale non raggiungibile: si lavora in locale",
     "Centrale opslag onbereikbaar: lokaal werken", "Zentraler Speicher nicht erreichbar: lokale Arbeit"},
    {"Synchronise", "Synchroniser", "Sincronizza", "Synchroniseren", "Synchronisieren"},
    {"Synchronising with the central store", "Synchronisation avec la base centrale",
     "Sincronizzazione con l'archivio centrale", "Synchroniseren met de centrale opslag",
     "Abgleich mit dem zentralen Speicher"},
    {"The owner data of machine %1 were changed here and in the central store.\n\nHere: %2\nCentral store: "
     "%3\n\nWhich shall be kept?",
     "Les données du propriétaire de la machine %1 ont été modifiées ici et dans la base centrale.\n\nIci : "
     "%2\nBase centrale : %3\n\nLesquelles faut-il garder ?",
     "I dati del proprietario della macchina %1 sono stati modificati qui e nell'archivio centrale.\n\nQui: "
     "%2\nArchivio centrale: %3\n\nQuali vanno conservati?",
     "De eigenaarsgegevens van machine %1 zijn hier en in de centrale opslag gewijzigd.\n\nHier: "
     "%2\nCentrale opslag: %3\n\nWelke moeten blijven?",
     "Die Eigentümerdaten der Maschine %1 wurden hier und im zentralen Speicher geändert.\n\nHier: "
     "%2\nZentraler Speicher: %3\n\nWelche sollen bleiben?"},
    {"Keep the version here", "Garder la version d'ici", "Conserva la versione di qui",
     "De versie van hier houden", "Die Fassung von hier behalten"},
    {"Take the central store's version", "Prendre la version de la base centrale",
     "Prendi la versione dell'archivio centrale", "De versie van de centrale opslag nemen",
     "Die Fassung des zentralen Speichers übernehmen"},
    {"The comment of the record of %1 of machine %2 was changed here and in the central store.\n\nHere: "
     "%3\nCentral store: %4\n\nWhich shall be kept?",
     "Le commentaire de l'historique du %1 de la machine %2 a été modifié ici et dans la base "
     "centrale.\n\nIci : %3\nBase centrale : %4\n\nLequel faut-il garder ?",
     "Il commento della registrazione del %1 della macchina %2 è stato modificato qui e nell'archivio "
     "centrale.\n\nQui: %3\nArchivio centrale: %4\n\nQuale va conservato?",
     "De opmerking bij de registratie van %1 van machine %2 is hier en in de centrale opslag "
     "gewijzigd.\n\nHier: %3\nCentrale opslag: %4\n\nWelke moet blijven?",
     "Der Kommentar des Eintrags vom %1 der Maschine %2 wurde hier und im zentralen Speicher "
     "geändert.\n\nHier: %3\nZentraler Speicher: %4\n\nWelcher soll bleiben?"},
};

} // namespace

std::string ProgramTexts::Text(Id id, const std::vector<std::string>& arguments) {
    return Text(id, FXUStringTable::getInstance()->TextLanguage(), arguments);
}

std::string ProgramTexts::Text(Id id, int language, const std::vector<std::string>& arguments) {
    const int row = static_cast<int>(id);
    if (row < 0 || row >= kCount || language < 0 || language >= FXUStringTable::kLanguages)
        throw std::out_of_range("no such program text");
    const auto pattern = cp1252::fromUtf8(kRows[row][language]);
    if (!pattern)
        throw std::logic_error(std::string("program text outside Windows-1252: ") + kRows[row][language]);
    // One pass, so an argument that holds "%2" stays as it is; a placeholder without one is kept.
    std::string text;
    for (std::size_t i = 0; i < pattern->size(); ++i) {
        const char c = (*pattern)[i];
        if (c == '%' && i + 1 < pattern->size() && (*pattern)[i + 1] >= '1' && (*pattern)[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>((*pattern)[i + 1] - '1');
            if (index < arguments.size()) {
                text += arguments[index];
                ++i;
                continue;
            }
        }
        text += c;
    }
    return text;
}
