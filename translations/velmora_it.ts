<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
<context>
    <name>Cause</name>
    <message>
        <source>the file does not exist</source>
        <translation>il file non esiste</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>il file è vuoto</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>non è un file normale</translation>
    </message>
    <message>
        <source>the file cannot be read</source>
        <translation>il file non si può leggere</translation>
    </message>
    <message>
        <source>the file is too big</source>
        <translation>il file è troppo grande</translation>
    </message>
    <message>
        <source>the file changed during the download</source>
        <translation>il file è cambiato durante il download</translation>
    </message>
    <message>
        <source>no port or line settings selected</source>
        <translation>porta o parametri non selezionati</translation>
    </message>
    <message>
        <source>the device does not exist</source>
        <translation>il dispositivo non esiste</translation>
    </message>
    <message>
        <source>no permission to use the device</source>
        <translation>nessun permesso di accesso al dispositivo</translation>
    </message>
    <message>
        <source>port in use by another program</source>
        <translation>porta in uso da un altro programma</translation>
    </message>
    <message>
        <source>not a serial port</source>
        <translation>non è una porta seriale</translation>
    </message>
    <message>
        <source>not a device</source>
        <translation>non è un dispositivo</translation>
    </message>
    <message>
        <source>not a printer</source>
        <translation>non è una stampante</translation>
    </message>
    <message>
        <source>nothing reads from the device</source>
        <translation>nessuno legge dal dispositivo</translation>
    </message>
    <message>
        <source>the device refused the line settings</source>
        <translation>parametri di linea rifiutati dal dispositivo</translation>
    </message>
    <message>
        <source>LPT1 is no serial port</source>
        <translation>LPT1 non è una porta seriale</translation>
    </message>
    <message>
        <source>the kernel&apos;s console, not for the printer</source>
        <translation>è la console del kernel, non per la stampante</translation>
    </message>
    <message>
        <source>the port does not open</source>
        <translation>la porta non si apre</translation>
    </message>
    <message>
        <source>the printer hung up</source>
        <translation>la stampante ha chiuso la linea</translation>
    </message>
    <message>
        <source>the device went away</source>
        <translation>il dispositivo è stato scollegato</translation>
    </message>
    <message>
        <source>a write failed</source>
        <translation>scrittura non riuscita</translation>
    </message>
    <message>
        <source>the printer does not take the data</source>
        <translation>la stampante non accetta i dati</translation>
    </message>
    <message>
        <source>the port did not open again</source>
        <translation>la porta non si è riaperta</translation>
    </message>
    <message>
        <source>another device stands in its place now</source>
        <translation>al suo posto c&apos;è ora un altro dispositivo</translation>
    </message>
    <message>
        <source>the printer does not answer</source>
        <translation>la stampante non risponde</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>una cartella</translation>
    </message>
    <message>
        <source>a plain file</source>
        <translation>un file normale</translation>
    </message>
    <message>
        <source>a FIFO</source>
        <translation>una FIFO</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>un socket</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>un dispositivo</translation>
    </message>
    <message>
        <source>not a file</source>
        <translation>non un file</translation>
    </message>
</context>
<context>
    <name>CheckReleaseCommand</name>
    <message>
        <source>(no release reported)</source>
        <translation>(nessuna release)</translation>
    </message>
</context>
<context>
    <name>Download</name>
    <message>
        <source>%1 left</source>
        <translation>mancano %1</translation>
    </message>
    <message>
        <source>Printer wait %1 · %2</source>
        <translation>Attesa stampante %1 · %2</translation>
    </message>
    <message>
        <source>Pause %1 · %2</source>
        <translation>Pausa %1 · %2</translation>
    </message>
    <message>
        <source>Between parts %1 · %2</source>
        <translation>Tra le parti %1 · %2</translation>
    </message>
    <message>
        <source>End wait %1</source>
        <translation>Attesa finale %1</translation>
    </message>
</context>
<context>
    <name>DownloadCommand</name>
    <message>
        <source>header </source>
        <translation>intestazione </translation>
    </message>
    <message>
        <source>[%1%2] %3% %4/%5 bytes, %6 B/s%7</source>
        <translation>[%1%2] %3% %4/%5 byte, %6 B/s%7</translation>
    </message>
    <message>
        <source>, %1 s left</source>
        <translation>, %1 s alla fine</translation>
    </message>
    <message>
        <source>no line chosen</source>
        <translation>nessuna linea scelta</translation>
    </message>
    <message>
        <source>%1 to the %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>printer</source>
        <translation>alla stampante</translation>
    </message>
    <message>
        <source>board</source>
        <translation>sulla scheda</translation>
    </message>
    <message>
        <source>RAM card</source>
        <translation>sulla RAM card</translation>
    </message>
    <message>
        <source>%1, %2 bytes, to %3%4: %5, %6, Turbo %7%8</source>
        <translation>%1, %2 byte, a %3%4: %5, %6, Turbo %7%8</translation>
    </message>
    <message>
        <source>with checksum</source>
        <translation>con checksum</translation>
    </message>
    <message>
        <source>no checksum</source>
        <translation>senza checksum</translation>
    </message>
    <message>
        <source>on</source>
        <translation>sì</translation>
    </message>
    <message>
        <source>off</source>
        <translation>no</translation>
    </message>
    <message>
        <source>; header </source>
        <translation>; intestazione </translation>
    </message>
    <message>
        <source>%1 of %2 bytes</source>
        <translation>%1 di %2 byte</translation>
    </message>
    <message>
        <source>; the printer holds part of an image: switch it off and on before the next download</source>
        <translation>; la stampante ha parte di un&apos;immagine: spegnerla e riaccenderla prima del prossimo download</translation>
    </message>
    <message>
        <source>%1: interrupted after %2; nothing more was sent%3</source>
        <translation>%1: interrotto dopo %2; non è stato inviato altro%3</translation>
    </message>
    <message>
        <source>%1: sent, %2; the line gave no account of what the printer took</source>
        <translation>%1: inviato, %2; la linea non dice quanto la stampante ha preso</translation>
    </message>
    <message>
        <source>%1: done, %2</source>
        <translation>%1: fatto, %2</translation>
    </message>
    <message>
        <source>%1: nothing sent: %2%3</source>
        <translation>%1: niente inviato: %2%3</translation>
    </message>
    <message>
        <source>%1: failed after %2: %3%4</source>
        <translation>%1: non riuscito dopo %2: %3%4</translation>
    </message>
</context>
<context>
    <name>HistoryCommand</name>
    <message>
        <source>, printer mid-image</source>
        <translation>, stampante a metà immagine</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>History</source>
        <translation>Cronologia</translation>
    </message>
    <message>
        <source>every port</source>
        <translation>ogni porta</translation>
    </message>
    <message>
        <source>every outcome</source>
        <translation>ogni esito</translation>
    </message>
    <message>
        <source>file</source>
        <translation>file</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Porta</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Esito</translation>
    </message>
    <message>
        <source>Since (date)</source>
        <translation>Dal (data)</translation>
    </message>
    <message>
        <source>Jobs</source>
        <translation>Lavori</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Dettagli</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Inizio</translation>
    </message>
    <message>
        <source>Job</source>
        <translation>Lavoro</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>Byte</translation>
    </message>
    <message>
        <source>&amp;Export CSV...</source>
        <translation>&amp;Esporta CSV...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Chiudi</translation>
    </message>
    <message>
        <source>Not a date yet: 2026-12-09 or 09/12/2026</source>
        <translation>Non è ancora una data: 2026-12-09 o 09/12/2026</translation>
    </message>
    <message>
        <source>, printer mid-image</source>
        <translation>, stampante a metà immagine</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>Fine</translation>
    </message>
    <message>
        <source>By</source>
        <translation>Da</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Dimensione</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Linea</translation>
    </message>
    <message>
        <source>Headers</source>
        <translation>Intestazioni</translation>
    </message>
    <message>
        <source>Sent / taken</source>
        <translation>Inviati / presi</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Stampante</translation>
    </message>
    <message>
        <source>Printer left mid-image</source>
        <translation>Stampante a metà immagine</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>sì</translation>
    </message>
    <message>
        <source>serial number</source>
        <translation>numero di serie</translation>
    </message>
    <message>
        <source>All benches</source>
        <translation>Tutti i banchi</translation>
    </message>
    <message>
        <source>Serial &amp;number and note...</source>
        <translation>&amp;Numero di serie e nota...</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Numero di serie</translation>
    </message>
    <message>
        <source>Bench</source>
        <translation>Banco</translation>
    </message>
    <message>
        <source>The shop&apos;s record cannot be read: %1</source>
        <translation>Il registro condiviso non si può leggere: %1</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Nota</translation>
    </message>
    <message>
        <source>The serial number of the printer of this job:</source>
        <translation>Il numero di serie della stampante di questo lavoro:</translation>
    </message>
    <message>
        <source>A note for this job:</source>
        <translation>Una nota per questo lavoro:</translation>
    </message>
</context>
<context>
    <name>Link</name>
    <message>
        <source>not the device this job opened first</source>
        <translation>non è il dispositivo che questo lavoro ha aperto per primo</translation>
    </message>
    <message>
        <source>another user holds the device</source>
        <translation>un altro utente tiene il dispositivo</translation>
    </message>
    <message>
        <source>not open</source>
        <translation>non aperta</translation>
    </message>
    <message>
        <source>a plain file</source>
        <translation>un file normale</translation>
    </message>
    <message>
        <source>a block device (a disk)</source>
        <translation>un dispositivo a blocchi (un disco)</translation>
    </message>
    <message>
        <source>a memory device (null, zero, full)</source>
        <translation>un dispositivo di memoria (null, zero, full)</translation>
    </message>
    <message>
        <source>a terminal</source>
        <translation>un terminale</translation>
    </message>
    <message>
        <source>a character device that is no printer</source>
        <translation>un dispositivo a caratteri che non è una stampante</translation>
    </message>
    <message>
        <source>a virtual terminal of the screen</source>
        <translation>un terminale virtuale dello schermo</translation>
    </message>
    <message>
        <source>no UART behind it (the kernel found none)</source>
        <translation>nessuna UART dietro (il kernel non ne ha trovate)</translation>
    </message>
    <message>
        <source>not a terminal device</source>
        <translation>non è un dispositivo terminale</translation>
    </message>
    <message>
        <source>no such name: %1</source>
        <translation>nome inesistente: %1</translation>
    </message>
    <message>
        <source>a control character in the path</source>
        <translation>un carattere di controllo nel percorso</translation>
    </message>
    <message>
        <source>cannot make %1</source>
        <translation>impossibile creare %1</translation>
    </message>
    <message>
        <source>no such serial port</source>
        <translation>porta seriale inesistente</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 non esiste più</translation>
    </message>
    <message>
        <source>the line was closed at the other end</source>
        <translation>la linea è stata chiusa dall&apos;altro capo</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Continue</source>
        <translation>Continua</translation>
    </message>
    <message>
        <source>usable</source>
        <translation>utilizzabile</translation>
    </message>
    <message>
        <source>&amp;Ports...</source>
        <translation>&amp;Porte...</translation>
    </message>
    <message>
        <source>&amp;History...</source>
        <translation>&amp;Cronologia...</translation>
    </message>
    <message>
        <source>the main window&apos;s download</source>
        <translation>il download della finestra principale</translation>
    </message>
    <message>
        <source>the main window&apos;s release check</source>
        <translation>il controllo versioni della finestra principale</translation>
    </message>
    <message>
        <source>the printer test</source>
        <translation>il test della stampante</translation>
    </message>
    <message>
        <source>%1 is in use by the Update printers window: wait until its printer there is done, or cancel it there.</source>
        <translation>%1 è in uso nella finestra Aggiorna stampanti: attendere che la sua stampante abbia finito, o annullarla lì.</translation>
    </message>
    <message>
        <source>T&amp;ools</source>
        <translation>&amp;Strumenti</translation>
    </message>
    <message>
        <source>&amp;Update printers...</source>
        <translation>&amp;Aggiorna stampanti...</translation>
    </message>
    <message>
        <source>&amp;Shop record...</source>
        <translation>&amp;Registro condiviso...</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>Cannot open the file
%1

%2</source>
        <translation>Impossibile aprire il file
%1

%2</translation>
    </message>
    <message>
        <source>The file
%1
is too big (%2 bytes): the limit is 2147483647 bytes.</source>
        <translation>Il file
%1
è troppo grande (%2 byte): il limite è 2147483647 byte.</translation>
    </message>
    <message>
        <source>Error reading the file
%1

%2

Transmission stopped.</source>
        <translation>Errore di lettura del file
%1

%2

Trasmissione interrotta.</translation>
    </message>
    <message>
        <source>Error writing to %1

%2

Transmission stopped.</source>
        <translation>Errore di scrittura su %1

%2

Trasmissione interrotta.</translation>
    </message>
    <message>
        <source>Cannot open the parallel port %1

%2</source>
        <translation>Impossibile aprire la porta parallela %1

%2</translation>
    </message>
    <message>
        <source>the file is shorter than announced</source>
        <translation>il file è più corto di quanto annunciato</translation>
    </message>
    <message>
        <source>the port is closed</source>
        <translation>la porta è chiusa</translation>
    </message>
    <message>
        <source>The file
%1
is not a regular file: it is %2.</source>
        <translation>Il file
%1
non è un file normale: è %2.</translation>
    </message>
    <message>
        <source>The file
%1
changed during the download: the printer did not receive what was announced.

The download is not valid.</source>
        <translation>Il file
%1
è cambiato durante il download: la stampante non ha ricevuto ciò che era stato annunciato.

Download non valido.</translation>
    </message>
    <message>
        <source>The link to %1 failed

%2

Transmission stopped.</source>
        <translation>Collegamento con %1 interrotto

%2

Trasmissione interrotta.</translation>
    </message>
    <message>
        <source>The file
%1
is empty.</source>
        <translation>Il file
%1
è vuoto.</translation>
    </message>
    <message>
        <source>The file
%1
holds no release (&quot;Release: &quot;).</source>
        <translation>Il file
%1
non contiene una release (&quot;Release: &quot;).</translation>
    </message>
    <message>
        <source>The printer took %1 of the %2 bytes announced and waits for the rest: switch it off and on before the next download.</source>
        <translation>La stampante ha ricevuto %1 dei %2 byte annunciati e attende il resto: spegnerla e riaccenderla prima del prossimo download.</translation>
    </message>
    <message>
        <source>%1 of the %2 bytes announced were sent; the line does not tell how many the printer took, and it waits for the rest: switch it off and on before the next download.</source>
        <translation>Sono stati inviati %1 dei %2 byte annunciati; la linea non dice quanti ne abbia ricevuti la stampante, che attende il resto: spegnerla e riaccenderla prima del prossimo download.</translation>
    </message>
    <message>
        <source>The last download on %1 left the printer holding part of an image, and it has not answered since: switch it off and on before this download.</source>
        <translation>L&apos;ultimo download su %1 ha lasciato la stampante con parte di un&apos;immagine, e da allora non ha risposto: spegnerla e riaccenderla prima di questo download.</translation>
    </message>
    <message>
        <source>This job is not recorded in the service record
%1

%2</source>
        <translation>Questo lavoro non è registrato nel registro di servizio
%1

%2</translation>
    </message>
    <message>
        <source>The line gives no account of what the printer took: every byte was sent, but only the printer can tell whether it received them.</source>
        <translation>La linea non dice quanto la stampante ha preso: tutti i byte sono stati inviati, ma solo la stampante può dire se li ha ricevuti.</translation>
    </message>
    <message>
        <source>The stored settings in
%1
are not used: %2.

The built-in defaults apply.</source>
        <translation>Le impostazioni salvate in
%1
non sono usate: %2.

Valgono quelle predefinite.</translation>
    </message>
    <message>
        <source>Cannot save the settings in
%1

%2</source>
        <translation>Impossibile salvare le impostazioni in
%1

%2</translation>
    </message>
    <message numerus="yes">
        <source>%n byte(s) still queued</source>
        <translation>
            <numerusform>%n byte ancora in coda</numerusform>
            <numerusform>%n byte ancora in coda</numerusform>
        </translation>
    </message>
    <message>
        <source>The file
%1
is not for %2 (*.%3): its extension is for %4. Nothing was sent.</source>
        <translation>Il file
%1
non è per %2 (*.%3): la sua estensione è per %4. Non è stato inviato nulla.</translation>
    </message>
    <message>
        <source>the firmware</source>
        <translation>il firmware</translation>
    </message>
    <message>
        <source>the standard fonts</source>
        <translation>i font standard</translation>
    </message>
    <message>
        <source>the external fonts</source>
        <translation>i font esterni</translation>
    </message>
</context>
<context>
    <name>Phase</name>
    <message>
        <source>waiting %1 s for the printer</source>
        <translation>attesa di %1 s per la stampante</translation>
    </message>
    <message>
        <source>sending</source>
        <translation>invio</translation>
    </message>
    <message>
        <source>pause of %1 s</source>
        <translation>pausa di %1 s</translation>
    </message>
    <message>
        <source>waiting for the line to take the last bytes</source>
        <translation>attesa che la linea prenda gli ultimi byte</translation>
    </message>
    <message>
        <source>waiting %1 s between the two parts</source>
        <translation>attesa di %1 s tra le due parti</translation>
    </message>
    <message>
        <source>end wait of %1 s</source>
        <translation>attesa finale di %1 s</translation>
    </message>
</context>
<context>
    <name>PortsCommand</name>
    <message>
        <source>%1 leads to %2</source>
        <translation>%1 porta a %2</translation>
    </message>
    <message>
        <source>%1 leads to %2 again</source>
        <translation>%1 porta di nuovo a %2</translation>
    </message>
    <message>
        <source>%1 is an entry this tool did not make; --replace replaces it</source>
        <translation>%1 è una voce che questo programma non ha creato; --replace la sostituisce</translation>
    </message>
    <message>
        <source>present, can be opened</source>
        <translation>presente, si può aprire</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>assente</translation>
    </message>
    <message>
        <source>present, in use by another program</source>
        <translation>presente, in uso da un altro programma</translation>
    </message>
    <message>
        <source>present, no access for this user</source>
        <translation>presente, nessun accesso per questo utente</translation>
    </message>
    <message>
        <source>unusable: </source>
        <translation>inutilizzabile: </translation>
    </message>
    <message>
        <source>present, the kernel&apos;s console: not for the printer</source>
        <translation>presente, la console del kernel: non per la stampante</translation>
    </message>
    <message>
        <source> (the kernel&apos;s console)</source>
        <translation> (la console del kernel)</translation>
    </message>
    <message>
        <source>not asked, used by another program: %1</source>
        <translation>non interrogate, in uso da un altro programma: %1</translation>
    </message>
    <message>
        <source>no usable port to ask (none free, none but the kernel&apos;s console)</source>
        <translation>nessuna porta utilizzabile da interrogare</translation>
    </message>
    <message>
        <source>asking %1 at %2, then at each other baud rate</source>
        <translation>interrogazione di %1 a %2, poi a ogni altra velocità</translation>
    </message>
    <message>
        <source>no printer answered</source>
        <translation>nessuna stampante ha risposto</translation>
    </message>
    <message>
        <source>silent: %1</source>
        <translation>silenziose: %1</translation>
    </message>
</context>
<context>
    <name>PortsWindow</name>
    <message>
        <source>The device %1 is to lead to:</source>
        <translation>Il dispositivo a cui porta %1:</translation>
    </message>
    <message>
        <source>No printer answered.</source>
        <translation>Nessuna stampante ha risposto.</translation>
    </message>
    <message numerus="yes">
        <source>%n printer(s) answered.</source>
        <translation>
            <numerusform>%n stampante ha risposto.</numerusform>
            <numerusform>%n stampanti hanno risposto.</numerusform>
        </translation>
    </message>
    <message>
        <source> Silent: %1.</source>
        <translation> Silenziose: %1.</translation>
    </message>
    <message>
        <source> Not asked, used by another program: %1.</source>
        <translation> Non interrogate, in uso da un altro programma: %1.</translation>
    </message>
    <message>
        <source>the kernel&apos;s console: not for the printer</source>
        <translation>la console del kernel: non per la stampante</translation>
    </message>
    <message>
        <source>usable</source>
        <translation>utilizzabile</translation>
    </message>
    <message>
        <source>, the kernel&apos;s console</source>
        <translation>, la console del kernel</translation>
    </message>
    <message>
        <source>, an entry Velmora did not make</source>
        <translation>, una voce non creata da Velmora</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>Porte</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nome</translation>
    </message>
    <message>
        <source>Leads to</source>
        <translation>Porta a</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Stato</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Dispositivo</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Descrizione</translation>
    </message>
    <message>
        <source>Maker</source>
        <translation>Produttore</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Numero di serie</translation>
    </message>
    <message>
        <source>USB id</source>
        <translation>Id USB</translation>
    </message>
    <message>
        <source>Named</source>
        <translation>Nome</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Porta</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Linea</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modello</translation>
    </message>
    <message>
        <source>&amp;Assign the device below</source>
        <translation>&amp;Assegna il dispositivo sotto</translation>
    </message>
    <message>
        <source>Device &amp;path...</source>
        <translation>&amp;Percorso del dispositivo...</translation>
    </message>
    <message>
        <source>&amp;Free</source>
        <translation>&amp;Libera</translation>
    </message>
    <message>
        <source>&amp;Find the printer</source>
        <translation>&amp;Trova la stampante</translation>
    </message>
    <message>
        <source>&amp;Use this printer</source>
        <translation>&amp;Usa questa stampante</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Chiudi</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Dispositivi</translation>
    </message>
    <message>
        <source>Printers found</source>
        <translation>Stampanti trovate</translation>
    </message>
    <message>
        <source>parallel</source>
        <translation>parallela</translation>
    </message>
    <message>
        <source>serial port</source>
        <translation>porta seriale</translation>
    </message>
    <message>
        <source>%1 is an entry Velmora did not make:
%2

Remove it?</source>
        <translation>%1 è una voce che Velmora non ha creato:
%2

Rimuoverla?</translation>
    </message>
    <message>
        <source>%1 is an entry Velmora did not make:
%2

Replace it?</source>
        <translation>%1 è una voce che Velmora non ha creato:
%2

Sostituirla?</translation>
    </message>
    <message>
        <source>No usable port to ask.</source>
        <translation>Nessuna porta utilizzabile da interrogare.</translation>
    </message>
    <message>
        <source>Asking %1...</source>
        <translation>Interrogazione di %1...</translation>
    </message>
</context>
<context>
    <name>Record</name>
    <message>
        <source>something other than a file stands in the place of %1</source>
        <translation>al posto di %1 c&apos;è qualcosa che non è un file</translation>
    </message>
    <message>
        <source>the record is not open</source>
        <translation>il registro non è aperto</translation>
    </message>
    <message>
        <source>cannot make the folder of %1</source>
        <translation>impossibile creare la cartella di %1</translation>
    </message>
    <message>
        <source>the record is damaged and cannot be set aside: %1</source>
        <translation>il registro è danneggiato e non si può mettere da parte: %1</translation>
    </message>
    <message>
        <source>the record was written by a later version of Velmora (schema %1)</source>
        <translation>il registro è stato scritto da una versione più recente di Velmora (schema %1)</translation>
    </message>
    <message>
        <source>download</source>
        <translation>download</translation>
    </message>
    <message>
        <source>release check</source>
        <translation>controllo versioni</translation>
    </message>
    <message>
        <source>interrogation</source>
        <translation>interrogazione</translation>
    </message>
    <message>
        <source>update</source>
        <translation>aggiornamento</translation>
    </message>
    <message>
        <source>the window</source>
        <translation>la finestra</translation>
    </message>
    <message>
        <source>the command line</source>
        <translation>la riga di comando</translation>
    </message>
    <message>
        <source>completed</source>
        <translation>completato</translation>
    </message>
    <message>
        <source>sent</source>
        <translation>inviato</translation>
    </message>
    <message>
        <source>file refused</source>
        <translation>file rifiutato</translation>
    </message>
    <message>
        <source>port refused</source>
        <translation>porta rifiutata</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>non riuscito</translation>
    </message>
    <message>
        <source>aborted</source>
        <translation>annullato</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>interrotto</translation>
    </message>
    <message>
        <source>same release</source>
        <translation>stessa release</translation>
    </message>
    <message>
        <source>different release</source>
        <translation>release diversa</translation>
    </message>
    <message>
        <source>no release in the file</source>
        <translation>nessuna release nel file</translation>
    </message>
    <message>
        <source>answered</source>
        <translation>ha risposto</translation>
    </message>
    <message>
        <source>asking</source>
        <translation>interrogazione</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>nessuna risposta</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>saltato</translation>
    </message>
    <message>
        <source>loading</source>
        <translation>caricamento</translation>
    </message>
    <message>
        <source>load failed</source>
        <translation>caricamento fallito</translation>
    </message>
    <message>
        <source>verifying</source>
        <translation>verifica</translation>
    </message>
    <message>
        <source>verified</source>
        <translation>verificato</translation>
    </message>
    <message>
        <source>not verified</source>
        <translation>non verificato</translation>
    </message>
    <message>
        <source>did not finish</source>
        <translation>non terminato</translation>
    </message>
    <message>
        <source>running</source>
        <translation>in corso</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>Id</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Inizio</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>Fine</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Utente</translation>
    </message>
    <message>
        <source>Face</source>
        <translation>Interfaccia</translation>
    </message>
    <message>
        <source>Job</source>
        <translation>Lavoro</translation>
    </message>
    <message>
        <source>Operation</source>
        <translation>Operazione</translation>
    </message>
    <message>
        <source>Boot</source>
        <translation>Boot</translation>
    </message>
    <message>
        <source>Checksum</source>
        <translation>Checksum</translation>
    </message>
    <message>
        <source>Turbo</source>
        <translation>Turbo</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Dimensione</translation>
    </message>
    <message>
        <source>SHA-256</source>
        <translation>SHA-256</translation>
    </message>
    <message>
        <source>XOR</source>
        <translation>XOR</translation>
    </message>
    <message>
        <source>File release</source>
        <translation>Release del file</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Porta</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Dispositivo</translation>
    </message>
    <message>
        <source>Device id</source>
        <translation>Id dispositivo</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Linea</translation>
    </message>
    <message>
        <source>Headers</source>
        <translation>Intestazioni</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Inviati</translation>
    </message>
    <message>
        <source>Taken</source>
        <translation>Presi</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modello</translation>
    </message>
    <message>
        <source>Release</source>
        <translation>Release</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Flash</translation>
    </message>
    <message>
        <source>Release after</source>
        <translation>Release dopo</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Esito</translation>
    </message>
    <message>
        <source>Cause</source>
        <translation>Causa</translation>
    </message>
    <message>
        <source>Printer left mid-image</source>
        <translation>Stampante a metà immagine</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Numero di serie</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Nota</translation>
    </message>
    <message>
        <source>not a PostgreSQL URI (postgresql://user@host:port/dbname)</source>
        <translation>non è un URI PostgreSQL (postgresql://utente@host:porta/database)</translation>
    </message>
    <message>
        <source>a password is never stored: put it in ~/.pgpass (or PGPASSFILE)</source>
        <translation>una password non viene mai salvata: metterla in ~/.pgpass (o PGPASSFILE)</translation>
    </message>
    <message>
        <source>a keyword of the URI&apos;s query that cannot be passed on: %1</source>
        <translation>una parola chiave della query dell&apos;URI che non si può passare: %1</translation>
    </message>
    <message>
        <source>the URI names no database (postgresql://host/dbname)</source>
        <translation>l&apos;URI non nomina un database (postgresql://host/database)</translation>
    </message>
    <message>
        <source>the shop&apos;s record was made by a later version of Velmora (schema %1)</source>
        <translation>il registro condiviso è stato creato da una versione successiva di Velmora (schema %1)</translation>
    </message>
    <message>
        <source>Qt&apos;s PostgreSQL driver is not installed (libqt6sql6-psql)</source>
        <translation>il driver PostgreSQL di Qt non è installato (libqt6sql6-psql)</translation>
    </message>
    <message>
        <source>the server does not answer</source>
        <translation>il server non risponde</translation>
    </message>
    <message>
        <source>no rows yet</source>
        <translation>ancora nessuna riga</translation>
    </message>
    <message numerus="yes">
        <source>%1 rows from %n bench(es)</source>
        <translation>
            <numerusform>%1 righe da %n banco</numerusform>
            <numerusform>%1 righe da %n banchi</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Recording</name>
    <message>
        <source>the service record was damaged: set aside as %1, a new one begun</source>
        <translation>il registro di servizio era danneggiato: messo da parte come %1, iniziato uno nuovo</translation>
    </message>
    <message>
        <source>the shop&apos;s record is not used: %1</source>
        <translation>il registro condiviso non è usato: %1</translation>
    </message>
    <message>
        <source>the shop&apos;s record cannot be reached (%1): the rows wait in the local record</source>
        <translation>il registro condiviso non è raggiungibile (%1): le righe attendono nel registro locale</translation>
    </message>
    <message numerus="yes">
        <source>%n row(s) that waited went to the shop&apos;s record</source>
        <translation>
            <numerusform>%n riga in attesa è andata al registro condiviso</numerusform>
            <numerusform>%n righe in attesa sono andate al registro condiviso</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>a FIFO stands in its place</source>
        <translation>al suo posto c&apos;è una FIFO</translation>
    </message>
    <message>
        <source>a socket stands in its place</source>
        <translation>al suo posto c&apos;è un socket</translation>
    </message>
    <message>
        <source>a device stands in its place</source>
        <translation>al suo posto c&apos;è un dispositivo</translation>
    </message>
    <message>
        <source>a folder stands in its place</source>
        <translation>al suo posto c&apos;è una cartella</translation>
    </message>
    <message>
        <source>the settings could not be written</source>
        <translation>non è stato possibile scrivere le impostazioni</translation>
    </message>
</context>
<context>
    <name>ShopDialog</name>
    <message>
        <source>Shop record</source>
        <translation>Registro condiviso</translation>
    </message>
    <message>
        <source>PostgreSQL URI</source>
        <translation>URI PostgreSQL</translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation>&amp;Prova</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Salva</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Chiudi</translation>
    </message>
    <message>
        <source>Every job is recorded on this bench first; with a URI, its rows go to the shop&apos;s record too. The password comes from ~/.pgpass, never from here.</source>
        <translation>Ogni lavoro è registrato prima su questo banco; con un URI, le sue righe vanno anche al registro condiviso. La password viene da ~/.pgpass, mai da qui.</translation>
    </message>
    <message>
        <source>Asking the server...</source>
        <translation>Interrogazione del server...</translation>
    </message>
    <message>
        <source>It answers: %1.</source>
        <translation>Risponde: %1.</translation>
    </message>
    <message>
        <source>It does not answer: %1</source>
        <translation>Non risponde: %1</translation>
    </message>
</context>
<context>
    <name>Update</name>
    <message>
        <source>asking</source>
        <translation>interrogazione</translation>
    </message>
    <message>
        <source>downgrade refused: the file&apos;s release is older than the printer&apos;s</source>
        <translation>downgrade rifiutato: la release del file è più vecchia di quella della stampante</translation>
    </message>
    <message>
        <source>already at the release: skipped</source>
        <translation>già alla release: saltata</translation>
    </message>
    <message>
        <source>downgrade to %1: </source>
        <translation>ritorno a %1: </translation>
    </message>
    <message>
        <source>interrupted after %1 of %2 bytes; nothing more was sent</source>
        <translation>interrotto dopo %1 di %2 byte; non è stato inviato altro</translation>
    </message>
    <message>
        <source>; the printer holds part of an image: switch it off and on</source>
        <translation>; la stampante ha parte di un&apos;immagine: spegnerla e riaccenderla</translation>
    </message>
    <message>
        <source>loading</source>
        <translation>caricamento</translation>
    </message>
    <message>
        <source>switch it off and on; waiting for its release</source>
        <translation>spegnerla e riaccenderla; attesa della release</translation>
    </message>
    <message>
        <source>verified (downgrade)</source>
        <translation>verificata (downgrade)</translation>
    </message>
    <message>
        <source>verified</source>
        <translation>verificata</translation>
    </message>
    <message>
        <source>NOT verified</source>
        <translation>NON verificata</translation>
    </message>
    <message>
        <source>load failed: %1</source>
        <translation>caricamento fallito: %1</translation>
    </message>
</context>
<context>
    <name>UpdateCommand</name>
    <message>
        <source>PORT</source>
        <translation>PORTA</translation>
    </message>
    <message>
        <source>MODEL</source>
        <translation>MODELLO</translation>
    </message>
    <message>
        <source>BEFORE</source>
        <translation>PRIMA</translation>
    </message>
    <message>
        <source>STATE</source>
        <translation>STATO</translation>
    </message>
    <message>
        <source>AFTER</source>
        <translation>DOPO</translation>
    </message>
    <message>
        <source>%1 (release %2) to %3</source>
        <translation>%1 (release %2) a %3</translation>
    </message>
    <message>
        <source>; --allow-downgrade loads it</source>
        <translation>; --allow-downgrade la carica</translation>
    </message>
</context>
<context>
    <name>UpdateWindow</name>
    <message>
        <source>answered</source>
        <translation>ha risposto</translation>
    </message>
    <message>
        <source>answers at %1, not at the main window&apos;s line</source>
        <translation>risponde a %1, non alla linea della finestra principale</translation>
    </message>
    <message>
        <source>no printer answered</source>
        <translation>nessuna stampante ha risposto</translation>
    </message>
    <message>
        <source>No printer answered.</source>
        <translation>Nessuna stampante ha risposto.</translation>
    </message>
    <message numerus="yes">
        <source>%n printer(s) answered.</source>
        <translation>
            <numerusform>%n stampante ha risposto.</numerusform>
            <numerusform>%n stampanti hanno risposto.</numerusform>
        </translation>
    </message>
    <message>
        <source>Choose the firmware file.</source>
        <translation>Scegliere il file del firmware.</translation>
    </message>
    <message>
        <source>Update printers</source>
        <translation>Aggiorna stampanti</translation>
    </message>
    <message>
        <source>Firmware file</source>
        <translation>File del firmware</translation>
    </message>
    <message>
        <source>The firmware file (*.BIN)</source>
        <translation>Il file del firmware (*.BIN)</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Sfoglia...</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>Stampanti</translation>
    </message>
    <message>
        <source>Choices</source>
        <translation>Scelte</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Porta</translation>
    </message>
    <message>
        <source>Leads to</source>
        <translation>Porta a</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modello</translation>
    </message>
    <message>
        <source>Release</source>
        <translation>Release</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Dopo</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Stato</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Cancel %1</source>
        <translation>Annulla %1</translation>
    </message>
    <message>
        <source>Boot from the board</source>
        <translation>Boot dalla scheda</translation>
    </message>
    <message>
        <source>Boot from the RAM card</source>
        <translation>Boot dalla RAM card</translation>
    </message>
    <message>
        <source>Load printers at the release too</source>
        <translation>Carica anche le stampanti già alla release</translation>
    </message>
    <message>
        <source>Refuse downgrades</source>
        <translation>Rifiuta i downgrade</translation>
    </message>
    <message>
        <source>&amp;Find the printers</source>
        <translation>&amp;Trova le stampanti</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Avvia</translation>
    </message>
    <message>
        <source>Cancel all</source>
        <translation>Annulla tutto</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Chiudi</translation>
    </message>
    <message>
        <source>Looking for the release in the file...</source>
        <translation>Ricerca della release nel file...</translation>
    </message>
    <message>
        <source>Release in the file: %1</source>
        <translation>Release nel file: %1</translation>
    </message>
    <message>
        <source>%1 uses it</source>
        <translation>la usa %1</translation>
    </message>
    <message>
        <source>asking</source>
        <translation>interrogazione</translation>
    </message>
    <message>
        <source>the kernel&apos;s console: not for the printer</source>
        <translation>la console del kernel: non per la stampante</translation>
    </message>
    <message>
        <source>No usable port to ask.</source>
        <translation>Nessuna porta utilizzabile da interrogare.</translation>
    </message>
    <message>
        <source>Asking %1...</source>
        <translation>Interrogazione di %1...</translation>
    </message>
    <message>
        <source>%1 is left out of this update: %2 uses it.</source>
        <translation>%1 resta fuori da questo aggiornamento: la usa %2.</translation>
    </message>
    <message>
        <source>Tick the printers to update.</source>
        <translation>Spuntare le stampanti da aggiornare.</translation>
    </message>
    <message>
        <source>Verified: %1. Passed over: %2. Not updated: %3.</source>
        <translation>Verificate: %1. Saltate: %2. Non aggiornate: %3.</translation>
    </message>
    <message numerus="yes">
        <source>Loading release %1 into %n printer(s)...</source>
        <translation>
            <numerusform>Caricamento della release %1 in %n stampante...</numerusform>
            <numerusform>Caricamento della release %1 in %n stampanti...</numerusform>
        </translation>
    </message>
    <message>
        <source>The printers are still being updated. Stop them all and close the window?</source>
        <translation>Le stampanti sono ancora in aggiornamento. Fermarle tutte e chiudere la finestra?</translation>
    </message>
</context>
<context>
    <name>WindowRecord</name>
    <message>
        <source>The shop&apos;s record cannot be reached: the jobs are recorded on this bench and go to the shop&apos;s record when it answers again.

%1
%2</source>
        <translation>Il registro condiviso non è raggiungibile: i lavori sono registrati su questo banco e andranno al registro condiviso quando risponderà di nuovo.

%1
%2</translation>
    </message>
    <message numerus="yes">
        <source>The %n job(s) that waited went to the shop&apos;s record.</source>
        <translation>
            <numerusform>%n lavoro in attesa è andato al registro condiviso.</numerusform>
            <numerusform>%n lavori in attesa sono andati al registro condiviso.</numerusform>
        </translation>
    </message>
</context>
</TS>
