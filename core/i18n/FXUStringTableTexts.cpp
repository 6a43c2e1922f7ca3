// The catalogue's texts, one row per id: English, French, Italian, Dutch, German.
// Written in UTF-8 for readability; FXUStringTable converts them once to Windows-1252.
// Spaces inside the texts (trailing or doubled) are part of them.

#include "core/i18n/FXUStringTableTexts.h"

// clang-format off
const char* const kUiTextRows[kUiTextCount][kLanguageCount] = {
    {"File", "Fichier", "File", "Bestand", "Datei"}, // 0
    {"Import database (.dat)", "Importer données (.dat)", "Inserire dati (.dat)", "Database (.dat) invoeren", "Datei Einfurhen"}, // 1
    {"Import history (.bin)", "Importer historique (.bin)", "Inserire storico (.bin)", "Historiek (.bin) invoeren", "Historie Einfuhren"}, // 2
    {"Exit", "Quitter", "Uscire", "Verlaten", "Bestaetigen"}, // 3
    {"Export", "Exporter", "Esportare", "Exporteren", "Export"}, // 4
    {"Upgrade", "Mise à jour", "Aggiornamento", "Updaten", "Aktualisieren"}, // 5
    {"Load history", "Lire l'historique", "Scaricare storico", "Historiek lezen", "Lade Historie"}, // 6
    {"Options", "Options", "Opzioni", "Opties", "Optionen"}, // 7
    {"Window", "Fenêtre", "Finestra", "Venster", "Fenster"}, // 8
    {"Cascade", "Cascade", "Tendina", "Cascade", "Stufe"}, // 9
    {"Upgrade", "Mise à jour", "Aggiornamento", "Updaten", "Aktualisieren"}, // 10
    {"Load history", "Lire l'historique", "Scaricare storico", "Historiek lezen", "Lade Historie"}, // 11
    {"Status", "Etat", "Stato", "Status", "Status"}, // 12
    {"Testing port", "Test du port", "Test porta", "Test van poort", "Test COM-Port"}, // 13
    {"No COM port found", "Pas de COM port disponible", "Nessuna porta COM disponibile", "Geen vrije COM poort", "Kein freier COM-Port"}, // 14
    {"Selected port not free", "Le port configuré n'est pas disponible", "Porta selezionata non disponibile", "Gekozen COM poort is niet vrij", "gewaehlter Ausgang nicht frei"}, // 15
    {"Corrupted file", "Fichier corrompu", "File danneggiato", "Verkeerd bestand", "Datei defekt"}, // 16
    {"You are going to update with firmware version:", "Vous allez mettre à jour avec la version :", "State per aggiornare con la versione:", "U zult updaten met versie :", "Aktualisierung mit Software Version:"}, // 17
    {"No machine connected!", "Pas de machine connectée!", "Nessun collegamento con la macchina", "Geen machine verbonden!", "Kein Kommunikation PC-Geraet moeglich"}, // 18
    {"Upgrade in progress…", "Mise à jour en cours…", "Aggiornamento in corso …..", "Bezig met updaten", "Aktualisierung laeuft"}, // 19
    {"Error during upgrade!", "Problème lors de la mise à jour!", "Problemi durante l'aggiornamento!", "Probleem met updaten!", "Error bei der Aktualisierung!"}, // 20
    {"Upgrade done.", "Mise à jour effectuée.", "Aggiornamento effettuato.", "Updaten OK.", "Aktualisierung erfolgreich."}, // 21
    {"No communication between PC and machine", "Communication avec la machine impossible", "Nessun collegamento con la macchina", "Onmogelijk verbinding met de machine", "Kein Ausgang bzw. Geraet gefunden"}, // 22
    {"Error while loading machine information", "Problème lors de la récupération des informations", "Problemi durante il recupero informazioni", "Probleem met recuperatie van de gegevens", "Ladens der Maschineninformationen erfolglos"}, // 23
    {"Status", "Etat", "Stato", "Status", "Status"}, // 24
    {"Loading history", "Chargement de l'historique", "Caricamento storico", "Opladen van historiek", "Lade Historie"}, // 25
    {"New history insertion done", "Insertion de l'historique réussie", "Scaricamento storico effettuato", "Invoegen gegevens volbracht", "Einlesen der Historie fertig"}, // 26
    {"Please first select a machine entry", "Veuillez d'abord ouvrir un enregistrement", "Prima selezionare una macchina", "Eerst openen van een machine", "Zuerst einen Datensatz waehlen"}, // 27
    {"Error during export file creation", "Problème lors de la création du fichier", "Problemi durante la creazione del file", "Probleem met het maken van een bestand", "Error beim Erstellen der Exportdatei"}, // 28
    {"Exportation done", "Exportation du fichier effectuée", "Esportazione riuscita", "Exporteren van bestand gedaan", "Export beendet"}, // 29
    {"Sort", "Tri", "Selezione", "Sorteren", "erledigt"}, // 30
    {"By name", "Par nom", "Per nome", "Per naam", "Name der Maschine"}, // 31
    {"By machine Id", "Par machine", "per macchina", "Per machine", "Nummer der Maschine"}, // 32
    {"Edition", "Edition", "Edizione", "Uitgave", "Ausgabe"}, // 33
    {"Modify data", "Modifier les données", "Modifica dati", "Gegevens aanpassen", "Aktualisierungsdatum"}, // 34
    {"General informations", "Informations générales", "Informazioni generali", "Algemene informatie", "allgemeine Informationen"}, // 35
    {"Customer references", "Coordonnées client", "Coordinate cliente", "Klant gegevens", "Kundeninformationen"}, // 36
    {"Firstname", "Nom", "Cognome", "Naam", "Vorname"}, // 37
    {"Lastname", "Prénom", "Nome", "Voornaam", "Name"}, // 38
    {"Address", "Adresse", "Indirizzo", "Adres", "Adresse"}, // 39
    {"Machine information", "Informations machine", "Informazioni macchina", "Machine informatie", "Maschineninformation"}, // 40
    {"Machine nr", "N° machine", "N° machina", "Machine nr", "Maschinennr"}, // 41
    {"Machine SNB", "N° de série", "N° di serie", "Reeks nr", "Maschinen Serie"}, // 42
    {"Version", "Version", "Software", "Versie", "Software"}, // 43
    {"Bootloader", "Bootloader", "Bootloader", "Bootloader", "Bootloader"}, // 44
    {"Options", "Options", "Opzioni", "Opties", "Optionen"}, // 45
    {"Communication", "Communication", "Collegamento", "Communicatie ", "Kommunikation"}, // 46
    {"Port number", "Numéro du port", "Numero di porta", "Poort nummer", "Port Nummer"}, // 47
    {"Language", "Langue", "Lingua", "Taal", "Sprache"}, // 48
    {"Abort", "Annuler", "Annullare", "Annuleren", "Abbrechen"}, // 49
    {"Create", "Créer", "Creare", "Creeren", "Erstelle"}, // 50
    {"Fisrtname", "Nom", "Cognome", "Naam", "Vorname"}, // 51
    {"LastName", "Prénom", "Nome", "Voornaam", "Name"}, // 52
    {"Address", "Adresse", "Indirizzo", "Adres", "Adresse"}, // 53
    {"Machine number", "Numéro de machine", "Numero di macchina", "Machine nr", "Maschinennummer"}, // 54
    {"Create", "Créer", "Creare", "Creeren", "Erstelle"}, // 55
    {"You must specify a firstname", "Vous devez spécifier un nom", "Indicare un cognome", "U moet een naam specificeren", "Geben Sie den Vornamen ein"}, // 56
    {"You must specify a lastname", "Vous devez spécifier un prénom", "Indicare un nome", "U moet een voornaam specificeren", "Geben Sie den Nachnamen ein"}, // 57
    {"You must specify a machine number", "Vous devez spécifier un numéro de machine", "Indicare un numero macchina", "U moet een machinenummerspecificeren", "Geben Sie die Maschinennummer ein"}, // 58
    {"Incorrect machine number", "Numéro de machine incorrect", "Numero macchina errato", "Verkeerd machine nummer", "Maschinennummer ungueltig"}, // 59
    {"Existing machine.", "Machine déjà existante", "Macchina già esistente", "Bestaande machine", "Maschine bereits angelegt"}, // 60
    {"Customer references", "Références client", "Referenze cliente", "Klant gegevens", "Kundeninformationen"}, // 61
    {"Firstname", "Nom", "Cognome", "Naam", "Vorname"}, // 62
    {"Lastname", "Prénom", "Nome", "Voornaam", "Name"}, // 63
    {"Address", "Addresse", "Indirizzo", "Adres", "Adresse"}, // 64
    {"Machine number", "Numéro de machine", "Numero di macchina", "Machine nummer", "Maschinennummer"}, // 65
    {"Save", "Sauver", "Salva", "Opslaan", "Sichern"}, // 66
    {"You must specify a firstname", "Vous devez spécifier un nom", "Indicare un cognome", "U moet de naam specificeren", "Geben Sie den Vornamen ein"}, // 67
    {"You must specify a lastname", "Vous devez spécifier un prénom", "Indicare un nome", "U moet een voornaam specificeren", "Geben Sie den Nachnamen ein"}, // 68
    {"You must specify a machine number", "Vous devez spécifier un numéro de machine", "Indicare un numero macchina", "U moet een machinenummer specificeren", "Geben Sie die Maschinennummer ein"}, // 69
    {"Incorrect machine number", "Numéro de machine incorrect", "Numero macchina errato", "Verkeerd machine nummer", "Maschinennummer ungueltig"}, // 70
    {"Existing machine.", "Machine déjà existante", "Macchina già esistente", "Bestaande machine", "Maschine bereits angelegt"}, // 71
    {"Insert", "Insérer", "Inserire", "Invoegen ", "Einfuegen"}, // 72
    {"Machine listing", "Liste de machines", "Lista macchine", "Machine lijst", "Maschinenliste"}, // 73
    {"Insert", "Insérer", "Inserire", "Invoegen", "Einfuegen"}, // 74
    {"Create", "Créer", "Creare", "Creeren", "Erstelle"}, // 75
    {"You must choose a machine", "Vous devez choisir une machine", "Selezionare una macchina", "U moet een machine kiezen", "Wahelen Sie eine Maschine"}, // 76
    {"There is already a record at this date", "Il existe déjà un enregistrement à cette date", "Registrazione già esistente", "Er bestaat al gegevens op deze datum", "Aufzeichnung an diesem Datum bereits erfolgt"}, // 77
    {"Open", "Ouvrir", "Aprire", "Openen", "Offen"}, // 78
    {"Export", "Exporter", "Esportare", "Exporteren", "Export"}, // 79
    {"Machine information", "Informations machine", "Informazioni macchina", "Machine gegevens", "Maschineninformation"}, // 80
    {"History", "Historique", "Storico", "Historiek ", "Historie"}, // 81
    {"System parameters", "Paramètres système", "Parametri sistemi", "System Parameters", "System Parameter"}, // 82
    {"Statistics", "Statistiques", "Statistiche", "Statistieken", "Statistiken"}, // 83
    {"Statistic", "Statistique", "Statistiche", "Statistiek ", "Statistik  "}, // 84
    {"Value", "Valeur", "Valore", "Waarde", "Wert"}, // 85
    {"Parameters and options", "Paramètres et options", "Parametri e opzione", "Parameters en opties", "Parameter und Optionen"}, // 86
    {"Fast Charge", "Charge rapide", "Carica rapida", "Snel opladen", "Schnell ladung"}, // 87
    {"Multiple Robots", "Multiples Robots", "Multi Macchine", "Meerdere Machines", "Merhere Maschinen"}, // 88
    {"Silent Charge", "Charge silencieuse", "Carica silenz.", "Stil opladen", "Erhaltungsladung"}, // 89
    {"Multiple Collector", "Multiples Collector", "Due Collector", "Meerdere Collector", "Merhere Collector"}, // 90
    {"Phase Inversion", "Inversion de phase", "Inversione di fase", "Phase omgekeerd", "Phase umgekehrt"}, // 91
    {"CounterClockWise Station Seek", "Retour AntiHorlogique", "Ritorno AntiOrario", "Tegenklokgewijze terug", "Rückfahrt AntiUhr"}, // 92
    {"Inversion Heads Direction", "Inversion têtes", "Inversione teste", "Inversie snijkoppen", "Drehrichtung Messer"}, // 93
    {"Charge on 2 Sides", "Retour alterné", "Ritorno alternato", "Beide zijde terugkeren", "wechselnde Rückfahrt"}, // 94
    {"Station Capture", "Capture station", "Cattura stazione", "Station ontvangst", "Station erreicht"}, // 95
    {"U-Shape Return", "Retour en U", "Ritorno U", "U opvang", "U Ruckfahrt"}, // 96
    {"Comments", "Commentaires", "Commenti", "Commentaris", "Kommentar"}, // 97
    {"Sleep hours", "Heures de repos", "Orario di sosta", "Rusttijden", "Ruhezustand in Stunden"}, // 98
    {"Monday", "Lundi", "Lunedì", "Maandag", "Montag "}, // 99
    {"Tuesday", "Mardi", "Martedì", "Dinsdag", "Dienstag"}, // 100
    {"Wednesday", "Mercredi", "Mercoledì", "Woensdag", "Mittwoch"}, // 101
    {"Thursday", "Jeudi", "Giovedì", "Donderdag", "Donnerstag"}, // 102
    {"Friday", "Vendredi", "Venerdì", "Vrijdag", "Freitag"}, // 103
    {"Saturday", "Samedi", "Sabato", "Zaterdag", "Samstag"}, // 104
    {"Sunday", "Dimanche", "Domenica", "Zondag", "Sonntag"}, // 105
    {"Range 1", "Période 1", "Sosta 1", "Periode 1", "Bereich 1"}, // 106
    {"Range 2", "Période 2", "Sosta 2", "Periode 2", "Bereich 2"}, // 107
    {"Range 3", "Période 3", "Sosta 3", "Periode 3", "Bereich 3"}, // 108
    {"Range 4", "Période 4", "Sosta 4", "Periode 4", "Bereich 4"}, // 109
    {"Mowing time", "Temps de tonte", "Tempo progr. di taglio", "Maai tijd", "Mähzeit"}, // 110
    {"Charging Time", "Temps de charge", "Tempo progr. di carica", "Oplaad tijd", "Ladezeit"}, // 111
    {"Nb of cycles", "Nb de cycles", "N° di cicli", "Cyclus aantal", "Anzahl der Zyklen"}, // 112
    {"L Wheel dist.", "Distance R gauche", "Distanza Ruota SX", "Afstand wiel links", "Weg des linken Rades"}, // 113
    {"R Wheel dist.", "Distance R droite", "Distanza Ruota DX", "Afstand wiel rechts", "Weg des rechten Rades"}, // 114
    {"Charged capacity", "Capacité chargée", "Capacità caricata", "Opgelaad capaciteit", "Ladungskapazitaet"}, // 115
    {"Discharged capacity", "Capacité déchargée", "Capacità scaricata", "ongelaad capaciteit", "Entladekapazitaet"}, // 116
    {"Rest time", "Temps de repos", "Tempi di sosta", "Rusttijd", "Dauer des Ruhezustands"}, // 117
    {"Firmware version", "Version du Firmware", "Versione software", "Versie", "Software Version"}, // 118
    {"Language", "Langue", "Lingua", "Taal", "Sprache"}, // 119
    {"Cable length", "Longueur du câble", "Lunghezza cavo", "Kabel lengte", "Kabellänge"}, // 120
    {"Station depart dist.", "Distance départ", "Distanza part. staz.", "Vertrek station afstand", "Abstand zum Verlassen der Station"}, // 121
    {"English", "Français", "Italiano", "Nederlands", "Deutsch"}, // 122
    {"V", "V", "V", "V", "V"}, // 123
    {"-", "-", "-", "-", "-"}, // 124
    {"You are going to delete mower log of ", "Vous allez suprimmer l'enregistrement du", "Cancellare la registrazione del :", "U gaat de opname vernietigen van", "Sie beabsichtigen das Logfile zu löschen von"}, // 125
    {"You can't delete this mower log", "Vous ne pouvez pas effacer cet enregistrement", "Impossibile cancellare questa registrazione", "U mag deze gegeven niet uitwissen", "Sie koennen das Logfile nicht loeschen"}, // 126
    {"delete", "Effacer", "Cancellare", "Uitwissen", "Loeschen"}, // 127
    {"Copy data", "Copier les données", "Copiare i dati", "Gegevens kopiëren", "Kopieren der Daten"}, // 128
    {"", "", "", "", ""}, // 129
};

const char* const kEventTextRows[kEventTextCount][kLanguageCount] = {
    {"Start charging", "Début de charge", "Inizio carica", "Start opladen", "Ladevorgang Start"}, // 0
    {"End charging", "Fin de charge", "Fine carica", "Einde opladen", "Ladevorgang Stop"}, // 1
    {"Open bonnet", "Ouverture panneau", "Apertura coperchio", "Opening kap", "Deckel geoeffnet"}, // 2
    {"Station capture", "Capture station", "Cattura stazione", "Ontvangst station", "Ladestation erreicht"}, // 3
    {"Station seeking", "Recherche station", "Ricerca stazione", "Opzoeken station", "Ladestation suchen"}, // 4
    {"Alarm", "Alarme", "Allarme", "alarm", "Alarme"}, // 5
    {"Switch on", "Mise sous tension", "Accensione", "Onder spanning zetten", "Anschalten"}, // 6
    {"Switch off", "Mise hors tension", "Spegnimento", "Spanning afzetten", "Ausschalten"}, // 7
    {"Start working", "Démarrage", "Partenza lavoro", "starten", "startet Arbeit"}, // 8
    {"Rest onto station", "Repos en station", "Sosta stazione", "Rust station", "bleibt an Station"}, // 9
    {"Abort station capture", "Abandon capture", "Abbandono cattura staz.", "Verlies ontvangst", "Ladestation verlassen"}, // 10
    {"Software update", "Mise à jour machine", "Aggiornamento SW", "Upadtent software", "Software Aktualisierung"}, // 11
    {"Unload balls", "Décharge des balles", "Scaricare le sfere", "Unload balls", "Baelle enleeren"}, // 12
};

// Source 0 is the cutting head text that alarms 0 to 31 are built from; source i is alarm 31 + i.
const char* const kAlarmSourceRows[kAlarmSourceCount][kLanguageCount] = {
    {"Cutting head", "Têtes de coupe", "Testa di taglio", "Snijkoppen", "Schneidkopf"}, // 0
    {"All wheels blocked", "Roues gauche et droite bloquées", "Ruote sx e dx bloccate", "linker en rechter wiel geblokkeerd", "Alle Raeder blockiert"}, // 1
    {"Left wheel blocked", "Roue gauche bloquée", "Ruota sx bloccata", "linker wiel geblokkeerd", "Linkes Rad blockiert"}, // 2
    {"Right wheel blocked", "Roue droite bloquée", "Ruota dx bloccata", "rechter wiel geblokkeerd", "Rechtes Rad blockiert"}, // 3
    {"All wheels blocked", "Roues gauche et droite bloquées", "Ruote sx e dx bloccate", "linker en rechter wiel geblokkeerd", "Alle Raeder blockiert"}, // 4
    {"All body switch failure", "Problème des capteurs carrosserie", "Problemi sensori posteriori", "Chassis sensordetectie probleem", "Alle Gehaeuseschalter ausgefallen"}, // 5
    {"Left body switch failure", "Problème du capteur de carrosserie gauche", "Problema sensore post. sx", "linker chassissensor probleem", "Linker Gehaeuseschalter ausgefallen"}, // 6
    {"Right body switch failure", "Problème du capteur de carrosserie droit", "Problema sensore post. dx", "rechter chassissensor probleem", "Rechter Gehaeuseschalter ausgefallen"}, // 7
    {"All body switch failure", "Problème des capteurs carrosserie", "Problemi sensori posteriori", "Chassis sensordetectie probleem", "Alle Gehaeuseschalter ausgefallen"}, // 8
    {"Bumper failure", "Problème du boudin", "Problema costola sensibile", "Bumperprobleem", "Anfahrsensor ausgefallen"}, // 9
    {"Left bumper failure", "Problème du boudin gauche", "Problema costola sx", "Linker bumperprobleem", "Linker Anfahrsensor ausgefallen"}, // 10
    {"Right bumper failure", "Problème du boudin droit", "Problema costola dx", "Rechter bumperprobleem", "Rechter Anfahrsensor ausgefallen"}, // 11
    {"Bumper failure", "Problème du boudin", "Problema costola sensibile", "Bumperprobleem", "Anfahrsensor ausgefallen"}, // 12
    {"Expired security code", "Code de sécurité expirée", "Codice PIN scaduto", "veilgheidscode voorbij", "PIN abgelaufen"}, // 13
    {"Battery voltage too low", "Tension de batterie trop faible", "Tensione batteria troppo bassa", "batterijspanning te laag", "Batterie zu wenig Spannung"}, // 14
    {"No wire signal", "Pas de signal périphérique", "No segnale cavo", "geen signaal", "Kein Signal"}, // 15
    {"No station found", "Pas de station trouvée", "Stazione non trovata", "geen station  gevonden", "Keine Station gefunden"}, // 16
    {"XWIREERR", "XIWIREERR", "XWIREERR", "XIWIREERR", "XIWIREERR"}, // 17
    {"Wire lost", "Perte du fil", "Perdita segnale cavo", "draad verlies", "Signalkabel nicht gefunden"}, // 18
    {"Blocked in a dead end", "Bloquée dans une impasse", "Bloccato passaggio stretto", "geblokkeerd in verloren gang", "Blockiert in Sackgasse"}, // 19
    {"Wheel slippering", "Patinage des roues", "Slittamento ruote motrici", "slippen van aandrijfwiel", "Raeder gerutscht"}, // 20
    {"Blocked on wire", "Bloquée sur le fil", "Bloccato sul cavo", "geblokkeerd op draad", "Am Kabel blockiert"}, // 21
    {"Overvoltage (batterie fuse?)", "Surtension(fusible batterie)", "Sovratensione(fusibile batt?)", "overspanning batterij", "Ueberspannung ( Batterie-Sicherung)"}, // 22
    {"FIR SYNC error", "Problème SYNC du FIR", "Problema segnale cavo", "veldmeting probleem", "Signalmessung nicht moeglich"}, // 23
    {"Charge lost", "Perte de charge", "Perdita di carica", "spanningsverlies", "Kontakt zur Ladestation verloren"}, // 24
    {"No charge contact", "Pas de contact avec la station", "No contatto stazione", "geen contact station", "Kein Kontakt zur Ladestation"}, // 25
    {"Batt. temperature sensor failure", "Capteur température batterie défectueux", "Sensore temp. batterie difettoso", "temperatuurdetektor batterij defect", "Temperatursensor Batterie ausgefallen"}, // 26
    {"Ball detector failure", "Problème du détecteur de comptage", "Problema detettore conteggio", "Probleem opteldetector", "Baellesenor ausgefallen"}, // 27
    {"Opening trap blocked", "Ouverture trappe bloquée", "Apertura vasca bloccata", "opening valluik geblokkeerd", "Beim Oeffnen Ballentladeklappe blockiert"}, // 28
    {"Closing trap blocked", "Fermeture trappe bloquée", "Chiusura vasca bloccata", "sluiten valluik geblokkeerd", "Beim Schließen Ballentladeklappe blockiert"}, // 29
    {"Going up roller blocked", "Levée du rouleau bloquée", "Sollevamento cilindro bloccato", "optillen rol geblokkeerd", "Ausheben der Sammelwalze blockiert"}, // 30
    {"Going down roller blocked", "Descente du rouleau bloquée", "Discesa cilindro bloccata", "neertlaten rol geblokkeerd", "Ablassen der Sammelwalze blockiert"}, // 31
    {"Unload station busy", "Station décharge occupée", "Pale stazione occupato", "Heftoestel bezig", "Elevator voll"}, // 32
    {"Battery identification problem", "Problème de détection batterie", "Problema tipo da Batteria", "Batterij type ?", "Batterie typ ausgefallen"}, // 33
    {"Lifted", "Soulèvement", "Sollevato", "Opgetilt", "Angehoben"}, // 34
    {"Sonar problem", "Problème de sonar", "Problema con sonar", "Probleem met sonar", "Sonar blockiert"}, // 35
};
// clang-format on
