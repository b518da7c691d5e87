<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>CubeForm</name>
    <message>
        <location filename="../ui/details/cubeform.ui" line="6"/>
        <location filename="../ui/details/cubeform.cpp" line="74"/>
        <source>Separation details</source>
        <translation>Separationsdetails</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.ui" line="75"/>
        <source>Show Hex</source>
        <translation>Hex anzeigen</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.ui" line="76"/>
        <source>Show the device values and the relative colour as 16-bit hexadecimal codes</source>
        <translation>Gerätewerte und relative Farbe als hexadezimale 16-Bit-Codes anzeigen</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.ui" line="87"/>
        <source>&amp;Iterate</source>
        <translation>&amp;Iterieren</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.ui" line="88"/>
        <source>Move the eight nodes until the round trip reaches the aim</source>
        <translation>Die acht Knoten verschieben, bis der Round Trip das Ziel erreicht</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.ui" line="93"/>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.ui" line="94"/>
        <source>Undo the last step, as Edit &gt; Undo in the main window (Ctrl+Z)</source>
        <translation>Den letzten Schritt rückgängig machen, wie Bearbeiten &gt; Rückgängig im Hauptfenster (Ctrl+Z)</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="83"/>
        <location filename="../ui/details/cubeform.cpp" line="84"/>
        <source>Ctrl+Y</source>
        <translation>Ctrl+Y</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="126"/>
        <source>Lightness, from 0 (black) to 100 (white)</source>
        <translation>Helligkeit, von 0 (Schwarz) bis 100 (Weiß)</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="127"/>
        <source>Green (-) to red (+)</source>
        <translation>Grün (-) bis Rot (+)</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="128"/>
        <source>Blue (-) to yellow (+)</source>
        <translation>Blau (-) bis Gelb (+)</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="131"/>
        <source>Ref</source>
        <translation>Ref</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="131"/>
        <source>The patch&apos;s reference colour on its way into the B2A1 table, one stage a row</source>
        <translation>Die Referenzfarbe des Feldes auf ihrem Weg in die B2A1-Tabelle, eine Stufe je Zeile</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="132"/>
        <location filename="../ui/details/cubeform.cpp" line="165"/>
        <location filename="../ui/details/cubeform.cpp" line="177"/>
        <location filename="../ui/details/cubeform.cpp" line="205"/>
        <source>L*</source>
        <translation>L*</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="132"/>
        <source>Lightness; in the rows of codes, the first input of the table</source>
        <translation>Helligkeit; in den Zeilen mit Codes der erste Eingang der Tabelle</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="133"/>
        <location filename="../ui/details/cubeform.cpp" line="166"/>
        <location filename="../ui/details/cubeform.cpp" line="178"/>
        <location filename="../ui/details/cubeform.cpp" line="206"/>
        <source>a*</source>
        <translation>a*</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="133"/>
        <source>Green (-) to red (+); in the rows of codes, the second input of the table</source>
        <translation>Grün (-) bis Rot (+); in den Zeilen mit Codes der zweite Eingang der Tabelle</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="134"/>
        <location filename="../ui/details/cubeform.cpp" line="167"/>
        <location filename="../ui/details/cubeform.cpp" line="179"/>
        <location filename="../ui/details/cubeform.cpp" line="207"/>
        <source>b*</source>
        <translation>b*</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="134"/>
        <source>Blue (-) to yellow (+); in the rows of codes, the third input of the table</source>
        <translation>Blau (-) bis Gelb (+); in den Zeilen mit Codes der dritte Eingang der Tabelle</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="137"/>
        <source>AbsCol</source>
        <translation>AbsCol</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="137"/>
        <source>The reference colour, absolute colorimetric: the colour on the paper, with the paper&apos;s white as measured. Type other values to look at another colour.</source>
        <translation>Die Referenzfarbe, absolut farbmetrisch: die Farbe auf dem Papier, mit dem Papierweiß wie gemessen. Andere Werte eingeben, um eine andere Farbe zu betrachten.</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="139"/>
        <source>RelCol</source>
        <translation>RelCol</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="139"/>
        <source>The reference colour, relative colorimetric: scaled so that the paper&apos;s white is the profile&apos;s white, as the B2A1 table takes it</source>
        <translation>Die Referenzfarbe, relativ farbmetrisch: so skaliert, dass das Papierweiß das Weiß des Profils ist, wie die B2A1-Tabelle sie erwartet</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="141"/>
        <source>PreInput</source>
        <translation>PreInput</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="141"/>
        <source>The values before the table&apos;s input curves: the relative colour in the Lab encoding the table takes, as 16-bit codes</source>
        <translation>Die Werte vor den Eingangskurven der Tabelle: die relative Farbe in der Lab-Codierung der Tabelle, als 16-Bit-Codes</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="143"/>
        <source>PreCLUT</source>
        <translation>PreCLUT</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="143"/>
        <source>The values entering the CLUT, after the table&apos;s input curves, as 16-bit codes: they locate the cell of the eight nodes below</source>
        <translation>Die Werte am Eingang der CLUT, nach den Eingangskurven der Tabelle, als 16-Bit-Codes: Sie bestimmen die Zelle der acht Knoten unten</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="160"/>
        <source>The colour the node stands for: its place in the grid taken back through the table&apos;s input curves, absolute colorimetric</source>
        <translation>Die Farbe, für die der Knoten steht: seine Stelle im Gitter, zurück durch die Eingangskurven der Tabelle gerechnet, absolut farbmetrisch</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="162"/>
        <source>The colour the A2B1 table predicts for the node&apos;s values after the output curves (the Out columns): what the node prints</source>
        <translation>Die Farbe, die die A2B1-Tabelle für die Werte des Knotens nach den Ausgangskurven (den Aus-Spalten) vorhersagt: was der Knoten druckt</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="168"/>
        <source>Weight</source>
        <translation>Gewicht</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="168"/>
        <source>The node&apos;s share in the trilinear interpolation at the reference</source>
        <translation>Der Anteil des Knotens an der trilinearen Interpolation bei der Referenz</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="169"/>
        <source>Dev0</source>
        <translation>Dev0</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="170"/>
        <source>Dev1</source>
        <translation>Dev1</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="171"/>
        <source>Dev2</source>
        <translation>Dev2</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="172"/>
        <source>Dev3</source>
        <translation>Dev3</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="173"/>
        <source>Out0</source>
        <translation>Aus0</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="174"/>
        <source>Out1</source>
        <translation>Aus1</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="175"/>
        <source>Out2</source>
        <translation>Aus2</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="176"/>
        <source>Out3</source>
        <translation>Aus3</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="180"/>
        <source>OOG</source>
        <translation>OOG</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="180"/>
        <source>Out of gamut: * where the colour the node stands for cannot be printed with these inks; what the node prints misses it by more than 1 Delta E 1976</source>
        <translation>Außerhalb des Farbumfangs: * wo die Farbe, für die der Knoten steht, mit diesen Farben nicht druckbar ist; was der Knoten druckt, verfehlt sie um mehr als 1 Delta E 1976</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="182"/>
        <location filename="../ui/details/cubeform.cpp" line="446"/>
        <source>Delta E</source>
        <translation>Delta E</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="182"/>
        <source>How far what the node prints (L*, a*, b* on the right) is from the colour it stands for (L*, a*, b* on the left)</source>
        <translation>Wie weit das, was der Knoten druckt (L*, a*, b* rechts), von der Farbe entfernt ist, für die er steht (L*, a*, b* links)</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="191"/>
        <source>One of the eight CLUT nodes around the reference colour, by its place in the grid along L*, a* and b*</source>
        <translation>Einer der acht CLUT-Knoten um die Referenzfarbe, nach seiner Stelle im Gitter entlang L*, a* und b*</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="194"/>
        <location filename="../ui/details/cubeform.cpp" line="214"/>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="196"/>
        <source>The reference through the table: the trilinear interpolation of the eight nodes, the values after the output curves (Out), and what the A2B1 table predicts they print</source>
        <translation>Die Referenz durch die Tabelle: die trilineare Interpolation der acht Knoten, die Werte nach den Ausgangskurven (Aus) und was sie laut A2B1-Tabelle drucken</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="204"/>
        <source>Out</source>
        <translation>Aus</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="204"/>
        <source>The Delta E of the Delta row, as the main table gives it</source>
        <translation>Das Delta E der Delta-Zeile, wie die Haupttabelle es angibt</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="210"/>
        <source>Offset</source>
        <translation>Versatz</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="210"/>
        <source>Where the print lands minus the reference: the measurement, or after a correction the predicted print</source>
        <translation>Wo der Druck landet, minus Referenz: die Messung oder nach einer Korrektur der vorhergesagte Druck</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="212"/>
        <source>Aim</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="212"/>
        <source>Where the round trip through the tables has to land for the print to meet the reference: the round trip when the patch was loaded here, minus the offset</source>
        <translation>Wo der Round Trip durch die Tabellen landen muss, damit der Druck die Referenz trifft: der Round Trip beim Laden des Feldes hier, minus Versatz</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="214"/>
        <source>The round trip of the reference through the tables as they are now: B2A1, then A2B1</source>
        <translation>Der Round Trip der Referenz durch die Tabellen in ihrem jetzigen Stand: B2A1, dann A2B1</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="215"/>
        <location filename="../ui/details/cubeform.cpp" line="477"/>
        <source>Delta</source>
        <translation>Delta</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="281"/>
        <source>Out %1</source>
        <translation>Aus %1</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="284"/>
        <source>The node&apos;s %1 value as the CLUT holds it; type another to edit the node (percent, 0 to 255 or hexadecimal codes as chosen below)</source>
        <translation>Der %1-Wert des Knotens, wie die CLUT ihn enthält; einen anderen eingeben, um den Knoten zu ändern (Prozent, 0 bis 255 oder hexadezimale Codes, wie unten gewählt)</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="290"/>
        <source>The node&apos;s %1 value after the table&apos;s output curves: what the printer is sent</source>
        <translation>Der %1-Wert des Knotens nach den Ausgangskurven der Tabelle: was an den Drucker geht</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="446"/>
        <source>Delta E 2000</source>
        <translation>Delta E 2000</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="459"/>
        <source>Delta measured</source>
        <translation>Delta gemessen</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="460"/>
        <source>As measured: the measurement minus the reference. The patch is not corrected yet.</source>
        <translation>Wie gemessen: die Messung minus Referenz. Das Feld ist noch nicht korrigiert.</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="465"/>
        <source>Delta after</source>
        <translation>Delta danach</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="466"/>
        <source>After the correction: the predicted print minus the reference, as the main table&apos;s columns after the correction give it</source>
        <translation>Nach der Korrektur: der vorhergesagte Druck minus Referenz, wie die Spalten der Haupttabelle nach der Korrektur ihn angeben</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="478"/>
        <source>The result minus the aim, at the reference typed into the AbsCol row</source>
        <translation>Das Ergebnis minus Ziel, bei der in die Zeile AbsCol eingegebenen Referenz</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="496"/>
        <source>Patch %1 (%2): %3 %4 as measured; not corrected yet.</source>
        <translation>Feld %1 (%2): %3 %4 wie gemessen; noch nicht korrigiert.</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="501"/>
        <source>Patch %1 (%2): %3 %4 after the correction, as predicted (%5 as measured).</source>
        <translation>Feld %1 (%2): %3 %4 nach der Korrektur, wie vorhergesagt (%5 wie gemessen).</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="506"/>
        <source>Patch %1 (%2), at the reference typed in: the Delta row is the result minus the aim.</source>
        <translation>Feld %1 (%2), bei der eingegebenen Referenz: Die Delta-Zeile ist das Ergebnis minus Ziel.</translation>
    </message>
    <message>
        <location filename="../ui/details/cubeform.cpp" line="511"/>
        <source>The values below are the per-patch model&apos;s round trip through the tables as they are now.</source>
        <translation>Die Werte unten sind der Round Trip des Modells „Pro Feld“ durch die Tabellen in ihrem jetzigen Stand.</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="45"/>
        <source>1 line skipped (%1)</source>
        <translation>1 Zeile übersprungen (%1)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="46"/>
        <source>%1 lines skipped (%2)</source>
        <translation>%1 Zeilen übersprungen (%2)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="52"/>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="57"/>
        <location filename="../session/CorrectionSessionLinks.cpp" line="172"/>
        <source>Failed to open %1</source>
        <translation>%1 konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="62"/>
        <source>Could not load %1: %2</source>
        <translation>%1 konnte nicht geladen werden: %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="94"/>
        <source>%1 (%2 from what its neighbours predict)</source>
        <translation>%1 (%2 von der Vorhersage seiner Nachbarn entfernt)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="101"/>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="160"/>
        <source>%1 and %2 more</source>
        <translation>%1 und %2 weitere</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="104"/>
        <source>1 patch disagrees with its neighbours and was left out: %1</source>
        <translation>1 Feld weicht von seinen Nachbarn ab und wurde ausgelassen: %1</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="106"/>
        <source>%1 patches disagree with their neighbours and were left out: %2</source>
        <translation>%1 Felder weichen von ihren Nachbarn ab und wurden ausgelassen: %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="145"/>
        <source>it is a patch data file, not an ICC profile</source>
        <translation>Es ist eine Datei mit Felddaten, kein ICC-Profil</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="146"/>
        <location filename="../session/CorrectionSessionLinks.cpp" line="29"/>
        <source>it is not an ICC profile</source>
        <translation>Es ist kein ICC-Profil</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="254"/>
        <source>it is a device link: give the printer&apos;s own profile too (vestrel-cli correct -p)</source>
        <translation>Es ist ein Device-Link: Geben Sie auch das eigene Profil des Druckers an (vestrel-cli correct -p)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="280"/>
        <source>the profile&apos;s B2A1 table does not take Lab (its PCS is %1)</source>
        <translation>Die B2A1-Tabelle des Profils nimmt kein Lab an (sein PCS ist %1)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="326"/>
        <source>Loaded %1</source>
        <translation>%1 geladen</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="381"/>
        <source>not enough memory for its patches</source>
        <translation>nicht genug Speicher für ihre Felder</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="400"/>
        <source>Could not add %1: %2</source>
        <translation>%1 konnte nicht hinzugefügt werden: %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="421"/>
        <source>patches with reference and measured values</source>
        <translation>Felder mit Referenz- und Messwerten</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="424"/>
        <source>reference patches (the reference values of a combined file)</source>
        <translation>Referenzfelder (die Referenzwerte einer kombinierten Datei)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="426"/>
        <source>reference patches</source>
        <translation>Referenzfelder</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="428"/>
        <source>the reference values of %1 replace those of %2</source>
        <translation>die Referenzwerte aus %1 ersetzen die aus %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="434"/>
        <source>the reference values of %1 are used, not those of %2</source>
        <translation>die Referenzwerte aus %1 werden verwendet, nicht die aus %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="440"/>
        <source>measured patches</source>
        <translation>gemessene Felder</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="445"/>
        <source>Averaged %1 measurement files into %2 %3</source>
        <translation>%1 Messdateien gemittelt: %2 %3</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="447"/>
        <source>Loaded %1 %2</source>
        <translation>%1 %2 geladen</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="476"/>
        <source>1 measured patch has no reference (%1)</source>
        <translation>1 gemessenes Feld hat keine Referenz (%1)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="477"/>
        <source>%1 measured patches have no reference (%2)</source>
        <translation>%1 gemessene Felder haben keine Referenz (%2)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="486"/>
        <source>1 reference patch was not measured (%1)</source>
        <translation>1 Referenzfeld wurde nicht gemessen (%1)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="487"/>
        <source>%1 reference patches were not measured (%2)</source>
        <translation>%1 Referenzfelder wurden nicht gemessen (%2)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="507"/>
        <source>the measured values are the mean of %1 files (%2)</source>
        <translation>die Messwerte sind der Mittelwert aus %1 Dateien (%2)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="510"/>
        <source>the measured values are the median of %1 files (%2)</source>
        <translation>die Messwerte sind der Median aus %1 Dateien (%2)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="863"/>
        <source>No measurement to pair</source>
        <translation>Keine Messung zum Zuordnen</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="887"/>
        <location filename="../session/CorrectionSession.cpp" line="1296"/>
        <location filename="../session/CorrectionSessionLinks.cpp" line="130"/>
        <source>Open a profile first</source>
        <translation>Zuerst ein Profil öffnen</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="891"/>
        <source>No patch has both reference and measured values</source>
        <translation>Kein Feld hat sowohl Referenz- als auch Messwerte</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="930"/>
        <source>Not corrected: a device link is corrected by the Smooth method only</source>
        <translation>Nicht korrigiert: Ein Device-Link wird nur mit der Methode „Glatt“ korrigiert</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="941"/>
        <source>Not corrected: not enough memory for this correction</source>
        <translation>Nicht korrigiert: nicht genug Speicher für diese Korrektur</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="994"/>
        <source>Not corrected: %1 of %2 patches disagree with their neighbours, more than a fifth: wrong chart, or strips read out of order?</source>
        <translation>Nicht korrigiert: %1 von %2 Feldern weichen von ihren Nachbarn ab, mehr als ein Fünftel: falsches Testchart oder Streifen in falscher Reihenfolge gemessen?</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1029"/>
        <source>Not corrected: %1, loaded as the measurement, says it holds reference values, and %2, loaded as the reference, says it holds measured ones: are the two files swapped?</source>
        <translation>Nicht korrigiert: %1, als Messung geladen, gibt an, Referenzwerte zu enthalten, und %2, als Referenz geladen, gibt an, Messwerte zu enthalten: Sind die beiden Dateien vertauscht?</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1036"/>
        <source>Not corrected: the measurement is %1 Delta E from the reference on average; the files do not belong together: wrong chart, scale or order?</source>
        <translation>Nicht korrigiert: Die Messung weicht im Mittel um %1 Delta E von der Referenz ab; die Dateien gehören nicht zusammen: falsches Testchart, falsche Skala oder Reihenfolge?</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1042"/>
        <source>Not corrected: the profile&apos;s own round trip misses the reference by %1 Delta E on average; the B2A table does not invert the A2B table</source>
        <translation>Nicht korrigiert: Der Round Trip des Profils selbst verfehlt die Referenz im Mittel um %1 Delta E; die B2A-Tabelle kehrt die A2B-Tabelle nicht um</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1073"/>
        <source>Not corrected: the correction&apos;s own prediction is worse than before (mean Delta E 1976 %1 before, %2 after)</source>
        <translation>Nicht korrigiert: Die eigene Vorhersage der Korrektur ist schlechter als vorher (mittleres Delta E 1976 %1 vorher, %2 nachher)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1106"/>
        <source>Please select some patches to be optimized</source>
        <translation>Bitte die zu optimierenden Felder auswählen</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1112"/>
        <source>The profile&apos;s B2A1 table cannot be corrected patch by patch: %1</source>
        <translation>Die B2A1-Tabelle des Profils kann nicht pro Feld korrigiert werden: %1</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1121"/>
        <source>The profile&apos;s B2A1 table cannot be corrected patch by patch</source>
        <translation>Die B2A1-Tabelle des Profils kann nicht pro Feld korrigiert werden</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1159"/>
        <location filename="../session/CorrectionSession.cpp" line="1249"/>
        <source>Correction aborted; the profile is as it was</source>
        <translation>Korrektur abgebrochen; das Profil ist unverändert</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1182"/>
        <source>Corrected 1 patch patch by patch; predicted average Delta E 1976 %1</source>
        <translation>1 Feld einzeln korrigiert; vorhergesagtes mittleres Delta E 1976 %1</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1185"/>
        <source>Corrected %1 patches patch by patch; predicted average Delta E 1976 %2</source>
        <translation>%1 Felder einzeln korrigiert; vorhergesagtes mittleres Delta E 1976 %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1220"/>
        <source>Corrected 1 patch together; predicted average Delta E 1976 %1</source>
        <translation>1 Feld gemeinsam korrigiert; vorhergesagtes mittleres Delta E 1976 %1</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1222"/>
        <source>Corrected %1 patches together; predicted average Delta E 1976 %2</source>
        <translation>%1 Felder gemeinsam korrigiert; vorhergesagtes mittleres Delta E 1976 %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1270"/>
        <source>1 pure node kept to their one ink; predicted mean Delta E 1976 %1 (%2 with them free)</source>
        <translation>1 reiner Knoten bei seiner einen Farbe gehalten; vorhergesagtes mittleres Delta E 1976 %1 (%2, wenn er frei ist)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1274"/>
        <source>%1 pure nodes kept to their one ink; predicted mean Delta E 1976 %2 (%3 with them free)</source>
        <translation>%1 reine Knoten bei ihrer einen Farbe gehalten; vorhergesagtes mittleres Delta E 1976 %2 (%3, wenn sie frei sind)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1304"/>
        <location filename="../session/CorrectionSessionLinks.cpp" line="141"/>
        <source>Did not save over %1</source>
        <translation>%1 wurde nicht überschrieben</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1305"/>
        <source>it is %1 the patches were read from</source>
        <translation>Es ist %1; daraus wurden die Felder gelesen</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1328"/>
        <source>Saved as %1</source>
        <translation>Gespeichert als %1</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1336"/>
        <source>the combined patch file</source>
        <translation>die kombinierte Datei</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1337"/>
        <source>the measurement file</source>
        <translation>die Messdatei</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1345"/>
        <source>the reference file</source>
        <translation>die Referenzdatei</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1347"/>
        <source>the profile as opened</source>
        <translation>das Profil wie geöffnet</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1349"/>
        <source>the printer profile</source>
        <translation>das Druckerprofil</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSession.cpp" line="1351"/>
        <source>the corrected profile as saved</source>
        <translation>das korrigierte Profil wie gespeichert</translation>
    </message>
    <message>
        <location filename="../patchdata/CgatsReader.cpp" line="171"/>
        <source>the file ends inside this line, without END_DATA: it may have been cut short</source>
        <translation>die Datei endet mitten in dieser Zeile, ohne END_DATA: Sie wurde vielleicht abgeschnitten</translation>
    </message>
    <message>
        <location filename="../patchdata/CgatsReader.cpp" line="179"/>
        <source>1 value, %1 expected</source>
        <translation>1 Wert, %1 erwartet</translation>
    </message>
    <message>
        <location filename="../patchdata/CgatsReader.cpp" line="181"/>
        <source>%1 values, %2 expected</source>
        <translation>%1 Werte, %2 erwartet</translation>
    </message>
    <message>
        <location filename="../patchdata/CgatsReader.cpp" line="266"/>
        <source>the field list has no END_DATA_FORMAT</source>
        <translation>Die Spaltenliste hat kein END_DATA_FORMAT</translation>
    </message>
    <message>
        <location filename="../patchdata/CgatsReader.cpp" line="267"/>
        <source>no field list (BEGIN_DATA_FORMAT ... END_DATA_FORMAT) was found</source>
        <translation>keine Spaltenliste (BEGIN_DATA_FORMAT ... END_DATA_FORMAT) gefunden</translation>
    </message>
    <message>
        <location filename="../patchdata/CgatsReader.cpp" line="272"/>
        <source>the file holds no data lines</source>
        <translation>Die Datei enthält keine Datenzeilen</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="48"/>
        <source>%1 is not a finite colour</source>
        <translation>die Werte %1 sind nicht endlich</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="50"/>
        <source>%1 L* %2 is outside 0 to 110</source>
        <translation>L* %2 %1 liegt außerhalb von 0 bis 110</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="52"/>
        <source>%1 a* %2 is outside -150 to 150</source>
        <translation>a* %2 %1 liegt außerhalb von -150 bis 150</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="54"/>
        <source>%1 b* %2 is outside -150 to 150</source>
        <translation>b* %2 %1 liegt außerhalb von -150 bis 150</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="60"/>
        <source>the colour</source>
        <translation>der Farbe</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="65"/>
        <source>the reference</source>
        <translation>der Referenz</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="289"/>
        <source>the XYZ values are all near 0 (the brightest patch has Y %1): neither white Y = 100 nor white Y = 1 fits; give XYZ with white Y = 100</source>
        <translation>Die XYZ-Werte liegen alle nahe 0 (das hellste Feld hat Y %1): Weder Weiß Y = 100 noch Weiß Y = 1 passt; XYZ mit Weiß Y = 100 angeben</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="297"/>
        <source>XYZ values read on a 0..1 scale (white Y = 1; the brightest patch has Y %1)</source>
        <translation>XYZ-Werte auf einer Skala von 0..1 gelesen (Weiß Y = 1; das hellste Feld hat Y %1)</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="317"/>
        <source>SPECTRAL_NORM &quot;%1&quot; is not a positive number</source>
        <translation>SPECTRAL_NORM &quot;%1&quot; ist keine positive Zahl</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="345"/>
        <source>the spectral values fit reflectance in 0..1 and in percent alike (the brightest tenth of the patches peak at %1); state the scale with a keyword line SPECTRAL_NORM &quot;1&quot; or SPECTRAL_NORM &quot;100&quot; before the data</source>
        <translation>Die Spektralwerte passen zu Remission in 0..1 ebenso wie in Prozent (die Spitzenwerte des hellsten Zehntels der Felder liegen bei %1); die Skala mit einer Schlüsselwortzeile SPECTRAL_NORM &quot;1&quot; oder SPECTRAL_NORM &quot;100&quot; vor den Daten angeben</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="358"/>
        <source>reflectance in percent</source>
        <translation>Remission in Prozent</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="359"/>
        <source>reflectance in 0..1</source>
        <translation>Remission in 0..1</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="377"/>
        <source>spectral value %1 at %2 nm is outside %3 to %4 (%5)</source>
        <translation>Spektralwert %1 bei %2 nm liegt außerhalb von %3 bis %4 (%5)</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="414"/>
        <source>&apos;%1&apos; is not a number</source>
        <translation>„%1“ ist keine Zahl</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="425"/>
        <source>no colour fields: the file needs LAB_L LAB_A LAB_B, XYZ_X XYZ_Y XYZ_Z or SPECTRAL_ fields</source>
        <translation>keine Farbspalten: Die Datei braucht die Spalten LAB_L LAB_A LAB_B, XYZ_X XYZ_Y XYZ_Z oder SPECTRAL_</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="431"/>
        <source>a spectrum needs at least two wavelengths</source>
        <translation>Ein Spektrum braucht mindestens zwei Wellenlängen</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="438"/>
        <source>the spectral fields are not evenly spaced (%1 nm, then %2 nm)</source>
        <translation>Die Spektralspalten liegen nicht in gleichen Abständen (%1 nm, dann %2 nm)</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="524"/>
        <source>no usable patch: all %1 data lines were skipped</source>
        <translation>kein brauchbares Feld: Alle %1 Datenzeilen wurden übersprungen</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchFile.cpp" line="526"/>
        <source>no usable patch: all %1 data lines were skipped (line %2: %3)</source>
        <translation>kein brauchbares Feld: Alle %1 Datenzeilen wurden übersprungen (Zeile %2: %3)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="38"/>
        <source>Failed to open the printer profile %1</source>
        <translation>Das Druckerprofil %1 konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="62"/>
        <source>the printer profile must be an output profile whose tables give Lab</source>
        <translation>Das Druckerprofil muss ein Ausgabeprofil sein, dessen Tabellen Lab liefern</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="68"/>
        <source>Loaded the printer profile %1</source>
        <translation>Druckerprofil %1 geladen</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="79"/>
        <source>Not corrected: the reference file gives no %1 device values per patch (%2), the device link&apos;s source values</source>
        <translation>Nicht korrigiert: Die Referenzdatei gibt keine %1 Gerätewerte je Feld an (%2), die Quellwerte des Device-Links</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="117"/>
        <source>Corrected the device link from 1 patch; predicted average Delta E 1976 %1</source>
        <translation>Device-Link aus 1 Feld korrigiert; vorhergesagtes mittleres Delta E 1976 %1</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="120"/>
        <source>Corrected the device link from %1 patches; predicted average Delta E 1976 %2</source>
        <translation>Device-Link aus %1 Feldern korrigiert; vorhergesagtes mittleres Delta E 1976 %2</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="134"/>
        <source>Could not export the correction: an abstract profile is made from a printer profile&apos;s correction, not from a device link&apos;s</source>
        <translation>Die Korrektur konnte nicht exportiert werden: Ein abstraktes Profil entsteht aus der Korrektur eines Druckerprofils, nicht aus der eines Device-Links</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="142"/>
        <source>it is %1</source>
        <translation>Es ist %1</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="151"/>
        <source>Could not export the correction: the profile could not be copied</source>
        <translation>Die Korrektur konnte nicht exportiert werden: Das Profil konnte nicht kopiert werden</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="165"/>
        <source>Could not export the correction: %1</source>
        <translation>Die Korrektur konnte nicht exportiert werden: %1</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="174"/>
        <source>the abstract profile could not be written</source>
        <translation>Das abstrakte Profil konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="181"/>
        <source>Exported the correction as an abstract profile to %1 (1 node moved, by up to %2)</source>
        <translation>Korrektur als abstraktes Profil nach %1 exportiert (1 Knoten um bis zu %2 verschoben)</translation>
    </message>
    <message>
        <location filename="../session/CorrectionSessionLinks.cpp" line="184"/>
        <source>Exported the correction as an abstract profile to %1 (%2 nodes moved, by up to %3)</source>
        <translation>Korrektur als abstraktes Profil nach %1 exportiert (%2 Knoten um bis zu %3 verschoben)</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="105"/>
        <source>the %1 has %2 %3 twice (lines %4 and %5)</source>
        <translation>Die %1 hat %2 %3 zweimal (Zeilen %4 und %5)</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="248"/>
        <source>id %1: &apos;%2&apos; in the %3, &apos;%4&apos; in the %5</source>
        <translation>ID %1: „%2“ in der %3, „%4“ in der %5</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="257"/>
        <source>SAMPLE_ID and SAMPLE_NAME disagree in %1 of %2 pairs (%3)</source>
        <translation>SAMPLE_ID und SAMPLE_NAME widersprechen sich in %1 von %2 Paaren (%3)</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="267"/>
        <source>%1; paired by SAMPLE_NAME, which pairs every patch</source>
        <translation>%1; nach SAMPLE_NAME zugeordnet, womit jedes Feld ein Gegenstück hat</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="271"/>
        <source>%1; choose to pair them by id or by name</source>
        <translation>%1; bitte die Zuordnung nach ID oder nach Name wählen</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="277"/>
        <source>combined file</source>
        <translation>kombinierte Datei</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="321"/>
        <source>no row of the combined file has both reference and measured values</source>
        <translation>Keine Zeile der kombinierten Datei hat sowohl Referenz- als auch Messwerte</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="333"/>
        <source>cannot pair by %1: the %2 has no %1</source>
        <translation>Zuordnung nach %1 nicht möglich: Die %2 hat keine Spalte %1</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="351"/>
        <source>the patches cannot be paired: the %1 has no SAMPLE_ID, SAMPLE_NAME or SAMPLE_LOC matching the other file&apos;s</source>
        <translation>Die Felder lassen sich nicht zuordnen: Die %1 hat keine SAMPLE_ID, SAMPLE_NAME oder SAMPLE_LOC wie die andere Datei</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="408"/>
        <source>ids %1 and %2 more</source>
        <translation>IDs %1 und %2 weitere</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="410"/>
        <source>id %1</source>
        <translation>ID %1</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.cpp" line="411"/>
        <source>ids %1</source>
        <translation>IDs %1</translation>
    </message>
    <message>
        <location filename="../report/Report.cpp" line="285"/>
        <source>Could not write %1: a report file ends in .html, .pdf or .csv</source>
        <translation>%1 konnte nicht geschrieben werden: Eine Berichtsdatei endet auf .html, .pdf oder .csv</translation>
    </message>
    <message>
        <location filename="../report/Report.cpp" line="292"/>
        <source>Could not write %1: it is %2</source>
        <translation>%1 konnte nicht geschrieben werden: Es ist %2</translation>
    </message>
    <message>
        <location filename="../report/Report.cpp" line="299"/>
        <source>Could not write %1</source>
        <translation>%1 konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <location filename="../report/Report.cpp" line="304"/>
        <source>Report written to %1</source>
        <translation>Bericht geschrieben nach %1</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="13"/>
        <source>first measurement</source>
        <translation>ersten Messung</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="14"/>
        <source>repeated measurement</source>
        <translation>wiederholten Messung</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="15"/>
        <source>first measurement file</source>
        <translation>Datei der ersten Messung</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="16"/>
        <source>repeated measurement file</source>
        <translation>Datei der wiederholten Messung</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="17"/>
        <source>none of the %1 repeated patches has a patch of the first measurement with the same %2</source>
        <translation>Keines der %1 wiederholt gemessenen Felder hat ein Feld der ersten Messung mit demselben Wert in %2</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="18"/>
        <source>pairing by position needs as many repeated as first measurement&apos;s patches (%1 and %2)</source>
        <translation>Die Zuordnung nach Position braucht in der wiederholten Messung gleich viele Felder wie in der ersten (%1 und %2)</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="20"/>
        <source>without SAMPLE_ID or SAMPLE_NAME the patches pair by position, which needs as many repeated as first measurement&apos;s patches (%1 and %2)</source>
        <translation>Ohne SAMPLE_ID oder SAMPLE_NAME werden die Felder nach Position zugeordnet; dazu braucht die wiederholte Messung gleich viele Felder wie die erste (%1 und %2)</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="89"/>
        <source>no measurement file</source>
        <translation>keine Messdatei</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="140"/>
        <source>every patch was measured differently in the repeats</source>
        <translation>Jedes Feld wurde in den Wiederholungsmessungen unterschiedlich gemessen</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="156"/>
        <source>%1 (%2 apart)</source>
        <translation>%1 (%2 auseinander)</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="163"/>
        <source>1 patch was measured differently in the repeats and was left out: %1</source>
        <translation>1 Feld wurde in den Wiederholungsmessungen unterschiedlich gemessen und ausgelassen: %1</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="166"/>
        <source>%1 patches were measured differently in the repeats and were left out: %2</source>
        <translation>%1 Felder wurden in den Wiederholungsmessungen unterschiedlich gemessen und ausgelassen: %2</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="176"/>
        <source>1 patch was not in every measurement file (%1); it is the average of the files that have it</source>
        <translation>1 Feld ist nicht in jeder Messdatei enthalten (%1); es ist der Mittelwert der Dateien, die es enthalten</translation>
    </message>
    <message>
        <location filename="../patchdata/RepeatedMeasurements.cpp" line="179"/>
        <source>%1 patches were not in every measurement file (%2); each is the average of the files that have it</source>
        <translation>%1 Felder sind nicht in jeder Messdatei enthalten (%2); jedes ist der Mittelwert der Dateien, die es enthalten</translation>
    </message>
    <message>
        <location filename="../correction/link/AbstractCorrection.cpp" line="267"/>
        <source>the profile&apos;s B2A1 and A2B1 tables from and to Lab are needed for an abstract profile</source>
        <translation>Für ein abstraktes Profil werden die B2A1- und A2B1-Tabellen des Profils von und nach Lab gebraucht</translation>
    </message>
    <message>
        <location filename="../correction/link/AbstractCorrection.cpp" line="273"/>
        <source>the grid of an abstract profile has 2 to 255 points</source>
        <translation>Das Gitter eines abstrakten Profils hat 2 bis 255 Punkte</translation>
    </message>
    <message>
        <location filename="../correction/link/AbstractCorrection.cpp" line="319"/>
        <source>the abstract profile could not be made</source>
        <translation>Das abstrakte Profil konnte nicht erstellt werden</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="196"/>
        <source>the profile is no device link</source>
        <translation>Das Profil ist kein Device-Link</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="200"/>
        <source>the device link&apos;s A2B0 is no table with a CLUT that Vestrel can correct</source>
        <translation>Die A2B0-Tabelle des Device-Links ist keine Tabelle mit CLUT, die Vestrel korrigieren kann</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="203"/>
        <source>the printer profile&apos;s tables do not give Lab (its PCS is not Lab)</source>
        <translation>Die Tabellen des Druckerprofils liefern kein Lab (sein PCS ist nicht Lab)</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="207"/>
        <source>the printer profile has no A2B1 or A2B0 table to model the printer</source>
        <translation>Das Druckerprofil hat keine A2B1- oder A2B0-Tabelle, die den Drucker abbildet</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="209"/>
        <source>the device link gives %1 channels, the printer profile takes %2</source>
        <translation>Der Device-Link liefert %1 Kanäle, das Druckerprofil nimmt %2 an</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="212"/>
        <source>device spaces of more than %1 channels cannot be corrected</source>
        <translation>Gerätefarbräume mit mehr als %1 Kanälen können nicht korrigiert werden</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="229"/>
        <source>a parameter of the link correction is out of range</source>
        <translation>Ein Parameter der Device-Link-Korrektur liegt außerhalb des zulässigen Bereichs</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="232"/>
        <source>at least 3 patches with source, reference and measured values are needed, %1 given</source>
        <translation>Mindestens 3 Felder mit Quell-, Referenz- und Messwerten werden gebraucht, %1 vorhanden</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="245"/>
        <source>every patch needs %1 source values for the device link</source>
        <translation>Jedes Feld braucht %1 Quellwerte für den Device-Link</translation>
    </message>
    <message>
        <location filename="../correction/link/LinkCorrection.cpp" line="250"/>
        <source>a patch has a value that is not a number</source>
        <translation>Ein Feld hat einen Wert, der keine Zahl ist</translation>
    </message>
    <message>
        <location filename="../correction/perpatch/csCLUTCube.cpp" line="30"/>
        <source>there is no A2B1 table to predict the print with</source>
        <translation>Es gibt keine A2B1-Tabelle, mit der sich der Druck vorhersagen lässt</translation>
    </message>
    <message>
        <location filename="../correction/perpatch/csCLUTCube.cpp" line="32"/>
        <source>it is not a lookup table</source>
        <translation>Sie ist keine Lookup-Tabelle</translation>
    </message>
    <message>
        <location filename="../correction/perpatch/csCLUTCube.cpp" line="34"/>
        <source>it has no CLUT (only curves and a matrix)</source>
        <translation>Sie hat keine CLUT (nur Kurven und eine Matrix)</translation>
    </message>
    <message>
        <location filename="../correction/perpatch/csCLUTCube.cpp" line="38"/>
        <source>it does not take Lab to the device channels of A2B1 (at most %1)</source>
        <translation>Sie bildet Lab nicht auf die Gerätekanäle von A2B1 ab (höchstens %1)</translation>
    </message>
    <message>
        <location filename="../correction/perpatch/csCLUTCube.cpp" line="42"/>
        <source>its matrix before the CLUT cannot be inverted, so its nodes&apos; colours are unknown</source>
        <translation>Ihre Matrix vor der CLUT lässt sich nicht invertieren, daher sind die Farben ihrer Knoten unbekannt</translation>
    </message>
    <message>
        <location filename="../correction/perpatch/csCLUTCube.cpp" line="142"/>
        <source>B2A1 warning: wrong legacy L scaling</source>
        <translation>B2A1-Warnung: falsche Skalierung von L* in der alten Lab-Codierung</translation>
    </message>
    <message>
        <location filename="../correction/perpatch/csCLUTCube.cpp" line="145"/>
        <source>B2A1 warning: an input curve does not invert exactly at a grid node</source>
        <translation>B2A1-Warnung: Eine Eingangskurve lässt sich an einem Gitterknoten nicht exakt umkehren</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="71"/>
        <source>the %1 parameter is out of range</source>
        <translation>Der Parameter „%1“ liegt außerhalb des zulässigen Bereichs</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="142"/>
        <source>at least 3 patches with reference and measured values are needed, %1 given</source>
        <translation>Mindestens 3 Felder mit Referenz- und Messwerten werden gebraucht, %1 vorhanden</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="148"/>
        <source>a patch has a reference or measured value that is not a number</source>
        <translation>Ein Feld hat einen Referenz- oder Messwert, der keine Zahl ist</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="151"/>
        <source>the profile&apos;s B2A tables do not take Lab (its PCS is not Lab)</source>
        <translation>Die B2A-Tabellen des Profils nehmen kein Lab an (sein PCS ist nicht Lab)</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="153"/>
        <source>the profile has no A2B1 or A2B0 table to model the printer</source>
        <translation>Das Profil hat keine A2B1- oder A2B0-Tabelle, die den Drucker abbildet</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="156"/>
        <source>there is no B2A table for intent %1</source>
        <translation>Es gibt keine B2A-Tabelle für den Rendering-Intent %1</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="159"/>
        <source>the profile has no %1</source>
        <translation>Das Profil hat keine Tabelle %1</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="186"/>
        <source>%1 has no CLUT (only curves and a matrix), and the Smooth method corrects CLUT nodes</source>
        <translation>%1 hat keine CLUT (nur Kurven und eine Matrix), und die Methode „Glatt“ korrigiert CLUT-Knoten</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="195"/>
        <source>%1; it was left as it was</source>
        <translation>%1; die Tabelle blieb unverändert</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="201"/>
        <source>%1 is not a lookup table with a CLUT from Lab to the %2 device channels</source>
        <translation>%1 ist keine Lookup-Tabelle mit CLUT von Lab zu den %2 Gerätekanälen</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="221"/>
        <source>%1 cannot be evaluated</source>
        <translation>%1 kann nicht ausgewertet werden</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="227"/>
        <source>the profile has no B2A table</source>
        <translation>Das Profil hat keine B2A-Tabelle</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="410"/>
        <source>the correction was stopped; no table was changed</source>
        <translation>Die Korrektur wurde abgebrochen; keine Tabelle wurde geändert</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="426"/>
        <source>the profile&apos;s A2B table cannot be evaluated</source>
        <translation>Die A2B-Tabelle des Profils kann nicht ausgewertet werden</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="430"/>
        <source>device spaces of %1 channels cannot be corrected</source>
        <translation>Gerätefarbräume mit %1 Kanälen können nicht korrigiert werden</translation>
    </message>
    <message>
        <location filename="../correction/smooth/SmoothCorrection.cpp" line="438"/>
        <source>the profile&apos;s B2A1 table cannot be evaluated</source>
        <translation>Die B2A1-Tabelle des Profils kann nicht ausgewertet werden</translation>
    </message>
    <message>
        <location filename="../util/SafeFileWriter.cpp" line="49"/>
        <source>it is a folder</source>
        <translation>Es ist ein Ordner</translation>
    </message>
    <message>
        <location filename="../util/SafeFileWriter.cpp" line="51"/>
        <source>it is a device</source>
        <translation>Es ist ein Gerät</translation>
    </message>
    <message>
        <location filename="../util/SafeFileWriter.cpp" line="53"/>
        <source>it is a pipe</source>
        <translation>Es ist eine Pipe</translation>
    </message>
    <message>
        <location filename="../util/SafeFileWriter.cpp" line="55"/>
        <source>it is a socket</source>
        <translation>Es ist ein Socket</translation>
    </message>
    <message>
        <location filename="../util/SafeFileWriter.cpp" line="57"/>
        <source>it is not a regular file</source>
        <translation>Es ist keine normale Datei</translation>
    </message>
    <message>
        <location filename="../util/SafeFileWriter.cpp" line="59"/>
        <source>it is read-only</source>
        <translation>Die Datei ist schreibgeschützt</translation>
    </message>
    <message>
        <location filename="../util/SafeFileWriter.cpp" line="268"/>
        <source>saved, but the folder could not be flushed to disk: %1</source>
        <translation>Gespeichert, aber der Ordner konnte nicht auf den Datenträger geschrieben werden: %1</translation>
    </message>
    <message>
        <location filename="../patchdata/Coverage.cpp" line="45"/>
        <source>corrected from %1 of %2 reference patches; colours far from them are left as they were</source>
        <translation>korrigiert anhand von %1 der %2 Referenzfelder; weiter entfernte Farben bleiben unverändert</translation>
    </message>
    <message>
        <location filename="../patchdata/Coverage.cpp" line="49"/>
        <source>corrected from patches between L* %1 and %2 only (the profile reaches L* %3 to %4); colours far from them are left as they were</source>
        <translation>nur anhand von Feldern zwischen L* %1 und %2 korrigiert (das Profil reicht von L* %3 bis %4); weiter entfernte Farben bleiben unverändert</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.h" line="54"/>
        <source>reference</source>
        <translation>Referenz</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.h" line="55"/>
        <source>measurement</source>
        <translation>Messung</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.h" line="56"/>
        <source>reference file</source>
        <translation>Referenzdatei</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.h" line="57"/>
        <source>measurement file</source>
        <translation>Messdatei</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.h" line="60"/>
        <source>none of the %1 measured patches has a reference with the same %2</source>
        <translation>Keines der %1 gemessenen Felder hat eine Referenz mit demselben Wert in %2</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.h" line="63"/>
        <source>pairing by position needs as many measured as reference patches (%1 and %2)</source>
        <translation>Die Zuordnung nach Position braucht gleich viele gemessene Felder wie Referenzfelder (%1 und %2)</translation>
    </message>
    <message>
        <location filename="../patchdata/PatchPairing.h" line="65"/>
        <source>without SAMPLE_ID or SAMPLE_NAME the patches pair by position, which needs as many measured as reference patches (%1 and %2)</source>
        <translation>Ohne SAMPLE_ID oder SAMPLE_NAME werden die Felder nach Position zugeordnet; dazu braucht es gleich viele gemessene Felder wie Referenzfelder (%1 und %2)</translation>
    </message>
</context>
<context>
    <name>LabCellDelegate</name>
    <message>
        <location filename="../ui/table/LabCellDelegate.cpp" line="31"/>
        <source>&apos;%1&apos; was not taken: L* is a number from 0 to %2</source>
        <translation>„%1“ wurde nicht übernommen: L* ist eine Zahl von 0 bis %2</translation>
    </message>
    <message>
        <location filename="../ui/table/LabCellDelegate.cpp" line="32"/>
        <source>&apos;%1&apos; was not taken: a* and b* are numbers from -%2 to %2</source>
        <translation>„%1“ wurde nicht übernommen: a* und b* sind Zahlen von -%2 bis %2</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../ui/mainwindow.ui" line="9"/>
        <source>Vestrel</source>
        <translation>Vestrel</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="80"/>
        <source>Measured:</source>
        <translation>Gemessen:</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="85"/>
        <location filename="../ui/mainwindow.ui" line="110"/>
        <source>Average ∆E: </source>
        <translation>Mittleres ∆E: </translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="90"/>
        <location filename="../ui/mainwindow.ui" line="100"/>
        <location filename="../ui/mainwindow.ui" line="115"/>
        <location filename="../ui/mainwindow.ui" line="125"/>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="95"/>
        <location filename="../ui/mainwindow.ui" line="120"/>
        <source>Maximum ∆E: </source>
        <translation>Maximales ∆E: </translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="105"/>
        <source>After correction:</source>
        <translation>Nach Korrektur:</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="153"/>
        <source>&amp;Method:</source>
        <translation>&amp;Methode:</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="159"/>
        <source>Smooth: all patches with reference and measured values are solved together, whatever is selected, and every B2A table is corrected. Per patch: the nodes around each selected patch are moved in B2A1.</source>
        <translation>Glatt: Alle Felder mit Referenz- und Messwerten werden gemeinsam gelöst, unabhängig von der Auswahl, und jede B2A-Tabelle wird korrigiert. Pro Feld: Die Knoten um jedes ausgewählte Feld werden in B2A1 verschoben.</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="160"/>
        <source>Smooth</source>
        <translation>Glatt</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="161"/>
        <source>Per patch</source>
        <translation>Pro Feld</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="166"/>
        <source>&amp;Auto</source>
        <translation>A&amp;uto</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="182"/>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="184"/>
        <source>Open &amp;Recent</source>
        <translation>&amp;Zuletzt geöffnet</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="194"/>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="208"/>
        <source>&amp;Open Profile</source>
        <translation>&amp;Profil öffnen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="209"/>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="212"/>
        <source>&amp;Save Profile As...</source>
        <translation>Profil &amp;speichern unter...</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="213"/>
        <source>Save edited profile under a new name</source>
        <translation>Das bearbeitete Profil unter einem neuen Namen speichern</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="214"/>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="217"/>
        <source>Re&amp;vert to Opened Profile</source>
        <translation>Geöffnetes Profil wieder&amp;herstellen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="218"/>
        <source>Put the profile&apos;s tables back as they were when it was opened</source>
        <translation>Die Tabellen des Profils auf den Stand beim Öffnen zurücksetzen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="221"/>
        <source>&amp;Auto Correct</source>
        <translation>&amp;Automatisch korrigieren</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="222"/>
        <source>Ctrl+Return</source>
        <translation>Ctrl+Return</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="225"/>
        <location filename="../ui/mainwindow.cpp" line="599"/>
        <source>Separation &amp;Details...</source>
        <translation>Separations&amp;details...</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="226"/>
        <source>Ctrl+D</source>
        <translation>Ctrl+D</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="229"/>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="230"/>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="233"/>
        <location filename="../ui/mainwindow.cpp" line="397"/>
        <source>Clear</source>
        <translation>Daten leeren</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="234"/>
        <source>Ctrl+K</source>
        <translation>Ctrl+K</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="237"/>
        <source>Load &amp;Reference Data</source>
        <translation>Re&amp;ferenzdaten laden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="238"/>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="241"/>
        <source>Load &amp;Measurement Data</source>
        <translation>&amp;Messdaten laden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="242"/>
        <source>Ctrl+M</source>
        <translation>Ctrl+M</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="245"/>
        <source>Use Round &amp;Trip</source>
        <translation>Round &amp;Trip verwenden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.ui" line="246"/>
        <source>Ctrl+T</source>
        <translation>Ctrl+T</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="156"/>
        <source>Row headers open details</source>
        <translation>Zeilenköpfe öffnen Details</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="157"/>
        <source>Ctrl+Shift+1 turns this off</source>
        <translation>Ctrl+Shift+1 schaltet dies aus</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="172"/>
        <source>Ctrl+Shift+5</source>
        <comment>RoundTrip</comment>
        <translation>Ctrl+Shift+5</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="174"/>
        <source>Ctrl+Shift+1</source>
        <comment>Advanced</comment>
        <translation>Ctrl+Shift+1</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="234"/>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="236"/>
        <source>R&amp;edo</source>
        <translation>Wieder&amp;holen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="239"/>
        <location filename="../ui/mainwindow.cpp" line="240"/>
        <source>Ctrl+Y</source>
        <translation>Ctrl+Y</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="243"/>
        <source>Add &amp;Measurement...</source>
        <translation>Weitere &amp;Messung hinzufügen...</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="245"/>
        <source>Average another measurement of the same print with the one loaded</source>
        <translation>Eine weitere Messung desselben Drucks mit der geladenen mitteln</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="256"/>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="257"/>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="259"/>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="263"/>
        <source>&amp;Update...</source>
        <translation>&amp;Aktualisierung...</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="264"/>
        <source>&amp;Support...</source>
        <translation>&amp;Support...</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="395"/>
        <source>Revert to Opened Profile</source>
        <translation>Geöffnetes Profil wiederherstellen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="305"/>
        <source>The profile&apos;s tables are as they were when it was opened</source>
        <translation>Die Tabellen des Profils sind wieder wie beim Öffnen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="337"/>
        <source>Select a patch with reference and measured values first</source>
        <translation>Zuerst ein Feld mit Referenz- und Messwerten auswählen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="367"/>
        <source>... and %1 more</source>
        <translation>... und %1 weitere</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="444"/>
        <source>Open a profile first</source>
        <translation>Zuerst ein Profil öffnen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="387"/>
        <source>Use Round Trip</source>
        <translation>Round Trip verwenden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="480"/>
        <source>Select Patches</source>
        <translation>Felder auswählen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="480"/>
        <source>Please select some patches to be optimized</source>
        <translation>Bitte die zu optimierenden Felder auswählen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="489"/>
        <source>Processing patches...</source>
        <translation>Felder werden bearbeitet...</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="489"/>
        <source>Abort</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="385"/>
        <location filename="../ui/mainwindow.cpp" line="531"/>
        <location filename="../ui/mainwindow.cpp" line="691"/>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="541"/>
        <source>The separation details show printer profiles&apos; B2A tables; a device link has none</source>
        <translation>Die Separationsdetails zeigen die B2A-Tabellen von Druckerprofilen; ein Device-Link hat keine</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="393"/>
        <source>Separation Details</source>
        <translation>Separationsdetails</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="601"/>
        <source>&amp;Use This Patch Again</source>
        <translation>Dieses Feld &amp;wieder verwenden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="391"/>
        <source>Use Patch Again</source>
        <translation>Feld wieder verwenden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="615"/>
        <source>Patch %1 is used by the next correction</source>
        <translation>Feld %1 wird bei der nächsten Korrektur verwendet</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="650"/>
        <source>Choose a profile</source>
        <translation>Profil wählen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="651"/>
        <location filename="../ui/MainWindowLink.cpp" line="61"/>
        <location filename="../ui/MainWindowLink.cpp" line="88"/>
        <location filename="../ui/MainWindowSaving.cpp" line="79"/>
        <source>ICC profiles (*.icc *.icm)</source>
        <translation>ICC-Profile (*.icc *.icm)</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="652"/>
        <location filename="../ui/mainwindow.cpp" line="826"/>
        <location filename="../ui/MainWindowLink.cpp" line="62"/>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="663"/>
        <source>Open Profile</source>
        <translation>Profil öffnen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="692"/>
        <source>Correct &amp;anyway</source>
        <translation>&amp;Trotzdem korrigieren</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="700"/>
        <source>Save changes to the profile?</source>
        <translation>Änderungen am Profil speichern?</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="704"/>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="705"/>
        <source>&amp;Discard</source>
        <translation>&amp;Verwerfen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="706"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="822"/>
        <source>Choose a further measurement of the same print</source>
        <translation>Weitere Messung desselben Drucks wählen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="823"/>
        <source>Choose the reference data file</source>
        <translation>Referenzdatei wählen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="824"/>
        <source>Choose the measurement data file</source>
        <translation>Messdatei wählen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="825"/>
        <source>Patch data files (*.txt *.ti3 *.cie *.ref *.it8 *.cgats)</source>
        <translation>Felddaten (*.txt *.ti3 *.cie *.ref *.it8 *.cgats)</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="381"/>
        <location filename="../ui/mainwindow.cpp" line="834"/>
        <source>Add Measurement</source>
        <translation>Messung hinzufügen</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="377"/>
        <location filename="../ui/mainwindow.cpp" line="835"/>
        <source>Load Reference Data</source>
        <translation>Referenzdaten laden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="379"/>
        <location filename="../ui/mainwindow.cpp" line="835"/>
        <source>Load Measurement Data</source>
        <translation>Messdaten laden</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="389"/>
        <source>Edit Patch Values</source>
        <translation>Feldwerte bearbeiten</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowAnalysis.cpp" line="42"/>
        <source>Plots</source>
        <translation>Diagramme</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowAnalysis.cpp" line="47"/>
        <source>Ctrl+Shift+P</source>
        <translation>Ctrl+Shift+P</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowAnalysis.cpp" line="62"/>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowAnalysis.cpp" line="73"/>
        <source>&amp;Tolerances...</source>
        <translation>&amp;Toleranzen...</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowAnalysis.cpp" line="76"/>
        <source>E&amp;xport Report...</source>
        <translation>Bericht e&amp;xportieren...</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowFiles.cpp" line="101"/>
        <source>Open Files</source>
        <translation>Dateien öffnen</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowFiles.cpp" line="102"/>
        <source>Which file holds the reference colours of the chart? The others are taken as measurements of the print.</source>
        <translation>Welche Datei enthält die Referenzfarben des Testcharts? Die anderen werden als Messungen des Drucks verwendet.</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowFiles.cpp" line="122"/>
        <source>Reference: %1</source>
        <translation>Referenz: %1</translation>
    </message>
    <message numerus="yes">
        <location filename="../ui/MainWindowFiles.cpp" line="128"/>
        <source>Measurement: %1 and %n more</source>
        <translation>
            <numerusform>Messung: %1 und %n weitere</numerusform>
            <numerusform>Messung: %1 und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../ui/MainWindowFiles.cpp" line="130"/>
        <source>Measurement: %1</source>
        <translation>Messung: %1</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowPairing.cpp" line="14"/>
        <source>&amp;Pair Patches By</source>
        <translation>Felder &amp;zuordnen nach</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowPairing.cpp" line="19"/>
        <source>&amp;Automatic</source>
        <translation>&amp;Automatisch</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowPairing.cpp" line="20"/>
        <source>Sample &amp;ID</source>
        <translation>Feld-&amp;ID</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowPairing.cpp" line="21"/>
        <source>Sample &amp;Name</source>
        <translation>Feld&amp;name</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowPairing.cpp" line="22"/>
        <source>Sample &amp;Location</source>
        <translation>Feld&amp;position</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowPairing.cpp" line="23"/>
        <source>&amp;Position in the File</source>
        <translation>&amp;Reihenfolge in der Datei</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowPairing.cpp" line="33"/>
        <source>By SAMPLE_ID, else SAMPLE_NAME, else SAMPLE_LOC; by name when the ids are a mere count</source>
        <translation>Nach SAMPLE_ID, sonst SAMPLE_NAME, sonst SAMPLE_LOC; nach Name, wenn die IDs nur durchgezählt sind</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="383"/>
        <location filename="../ui/MainWindowPairing.cpp" line="58"/>
        <source>Pair Patches By</source>
        <translation>Felder zuordnen nach</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="52"/>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="65"/>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 existiert bereits.
Soll die Datei ersetzt werden?</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="79"/>
        <source>Save profile as</source>
        <translation>Profil speichern unter</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="89"/>
        <source>%1 is the profile as opened. It holds the tables the measurement was printed with; every correction of this measurement starts from them, and saving over it loses them.
Replace it anyway?</source>
        <translation>%1 ist das Profil wie geöffnet. Es enthält die Tabellen, mit denen die Messung gedruckt wurde; jede Korrektur dieser Messung geht von ihnen aus, und Überschreiben verliert sie.
Trotzdem ersetzen?</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="103"/>
        <source>
Save under another name?</source>
        <translation>
Unter einem anderen Namen speichern?</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="108"/>
        <source>Save Profile As</source>
        <translation>Profil speichern unter</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="120"/>
        <source>Nothing to report yet: open a profile and load patches</source>
        <translation>Noch nichts für einen Bericht: Profil öffnen und Felder laden</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="128"/>
        <source>HTML report (*.html)</source>
        <translation>HTML-Bericht (*.html)</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="128"/>
        <source>PDF report (*.pdf)</source>
        <translation>PDF-Bericht (*.pdf)</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="129"/>
        <source>CSV patch rows (*.csv)</source>
        <translation>CSV-Feldzeilen (*.csv)</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="132"/>
        <source>Export report</source>
        <translation>Bericht exportieren</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowSaving.cpp" line="138"/>
        <source>Export Report</source>
        <translation>Bericht exportieren</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="63"/>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="63"/>
        <source>Ref</source>
        <translation>Ref</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="64"/>
        <source>L*</source>
        <translation>L*</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="64"/>
        <source>a*</source>
        <translation>a*</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="65"/>
        <source>b*</source>
        <translation>b*</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="65"/>
        <source>Meas</source>
        <translation>Mess</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="67"/>
        <source>Delta E</source>
        <translation>Delta E</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="68"/>
        <source>Opt</source>
        <translation>Opt</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="72"/>
        <location filename="../ui/VerdictPanel.cpp" line="19"/>
        <source>Delta E 2000</source>
        <translation>Delta E 2000</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="80"/>
        <source>Row of the patch in the files</source>
        <translation>Zeile des Feldes in den Dateien</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="81"/>
        <source>The reference patch: its colour and name</source>
        <translation>Das Referenzfeld: seine Farbe und sein Name</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="82"/>
        <source>Reference L* (D50)</source>
        <translation>Referenz L* (D50)</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="83"/>
        <source>Reference a*</source>
        <translation>Referenz a*</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="84"/>
        <source>Reference b*</source>
        <translation>Referenz b*</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="85"/>
        <source>The measured patch: its colour and name</source>
        <translation>Das gemessene Feld: seine Farbe und sein Name</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="86"/>
        <source>Measured L* (D50)</source>
        <translation>Gemessen L* (D50)</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="87"/>
        <source>Measured a*</source>
        <translation>Gemessen a*</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="88"/>
        <source>Measured b*</source>
        <translation>Gemessen b*</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="89"/>
        <source>Delta E between reference and measurement</source>
        <translation>Delta E zwischen Referenz und Messung</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="90"/>
        <source>The tolerance mark of a combined file (TOL_FAILED): 0 passed</source>
        <translation>Die Toleranzmarke einer kombinierten Datei (TOL_FAILED): 0 bestanden</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="91"/>
        <source>After the correction: predicted L* difference, print minus reference</source>
        <translation>Nach der Korrektur: vorhergesagte L*-Differenz, Druck minus Referenz</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="92"/>
        <source>After the correction: predicted a* difference, print minus reference</source>
        <translation>Nach der Korrektur: vorhergesagte a*-Differenz, Druck minus Referenz</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="93"/>
        <source>After the correction: predicted b* difference, print minus reference</source>
        <translation>Nach der Korrektur: vorhergesagte b*-Differenz, Druck minus Referenz</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="94"/>
        <source>After the correction: the Delta E the correction predicts</source>
        <translation>Nach der Korrektur: das Delta E, das die Korrektur vorhersagt</translation>
    </message>
    <message>
        <location filename="../ui/table/PatchTableModel.cpp" line="145"/>
        <source>Left out of the correction: %1 from what its neighbours predict. Use This Patch Again (context menu) to use it.</source>
        <translation>Bei der Korrektur ausgelassen: %1 von dem entfernt, was seine Nachbarn erwarten lassen. Mit „Dieses Feld wieder verwenden“ (Kontextmenü) wird es wieder verwendet.</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="20"/>
        <source>Delta E 1976</source>
        <translation>Delta E 1976</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="203"/>
        <source>About Vestrel</source>
        <translation>Über Vestrel</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="211"/>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="217"/>
        <source>Vestrel corrects ICC printer profiles from measurements, so that printed colour patches match their reference colours.</source>
        <translation>Vestrel korrigiert ICC-Druckerprofile anhand von Messungen, sodass gedruckte Farbfelder ihren Referenzfarben entsprechen.</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="222"/>
        <source>Copyright Orvand. Vestrel is licensed to you under the Orvand end-user licence that came with this copy.</source>
        <translation>Copyright Orvand. Vestrel wird Ihnen unter der Orvand-Endbenutzerlizenz überlassen, die dieser Kopie beilag.</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="227"/>
        <source>It uses Qt (LGPL 3), Eigen (MPL 2.0) and libmd (BSD licence).</source>
        <translation>Es verwendet Qt (LGPL 3), Eigen (MPL 2.0) und libmd (BSD-Lizenz).</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="231"/>
        <source>Project page: %1</source>
        <translation>Projektseite: %1</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="248"/>
        <source>Vestrel Support</source>
        <translation>Vestrel-Support</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="250"/>
        <source>To get support, write to %1 or open an issue on the project page %2, and describe what you did and what went wrong.</source>
        <translation>Für Unterstützung schreiben Sie an %1 oder eröffnen Sie ein Ticket auf der Projektseite %2 und beschreiben Sie, was Sie getan haben und was schiefging.</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="255"/>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="257"/>
        <source>Please include the printer profile you opened, the reference and measurement data files you loaded, and the version of Vestrel.

Version: %1</source>
        <translation>Bitte fügen Sie das geöffnete Druckerprofil, die geladenen Referenz- und Messdateien und die Version von Vestrel bei.

Version: %1</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="316"/>
        <source>Vestrel Help</source>
        <translation>Vestrel-Hilfe</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="319"/>
        <source>The help page %1 was not found.</source>
        <translation>Die Hilfeseite %1 wurde nicht gefunden.</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="342"/>
        <source>Search for Update</source>
        <translation>Nach Aktualisierung suchen</translation>
    </message>
    <message>
        <location filename="../framework/OrvFramework.cpp" line="343"/>
        <source>No update service is configured for this installation, so Vestrel cannot search for updates.</source>
        <translation>Für diese Installation ist kein Aktualisierungsdienst eingerichtet; Vestrel kann daher nicht nach Aktualisierungen suchen.</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowLink.cpp" line="28"/>
        <source>&amp;Keep pure inks</source>
        <translation>&amp;Reine Farben halten</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowLink.cpp" line="30"/>
        <source>A node that prints one ink alone is corrected along that ink only; the other inks stay as they were. On for device links.</source>
        <translation>Ein Knoten, der nur eine Farbe druckt, wird nur entlang dieser Farbe korrigiert; die anderen Farben bleiben, wie sie waren. Bei Device-Links eingeschaltet.</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowLink.cpp" line="36"/>
        <source>Export Correction as A&amp;bstract Profile...</source>
        <translation>Korrektur als abstraktes Pro&amp;fil exportieren...</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowLink.cpp" line="39"/>
        <source>The correction as an abstract profile (Lab to Lab) to put in front of the profile as opened</source>
        <translation>Die Korrektur als abstraktes Profil (Lab nach Lab), das vor das Profil wie geöffnet gesetzt wird</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowLink.cpp" line="60"/>
        <source>Choose the printer&apos;s own profile for the device link</source>
        <translation>Das eigene Profil des Druckers für den Device-Link wählen</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowLink.cpp" line="72"/>
        <source>Printer Profile</source>
        <translation>Druckerprofil</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowLink.cpp" line="88"/>
        <source>Export correction as abstract profile</source>
        <translation>Korrektur als abstraktes Profil exportieren</translation>
    </message>
    <message>
        <location filename="../ui/MainWindowLink.cpp" line="94"/>
        <source>Export Abstract Profile</source>
        <translation>Abstraktes Profil exportieren</translation>
    </message>
</context>
<context>
    <name>PlotsWidget</name>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="37"/>
        <source>%1 histogram</source>
        <translation>Histogramm %1</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="38"/>
        <source>%1 per patch, sorted</source>
        <translation>%1 je Feld, sortiert</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="39"/>
        <source>a*b*, reference to measured</source>
        <translation>a*b*, Referenz zu Messung</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="40"/>
        <source>a*b*, reference to measured (x%1)</source>
        <translation>a*b*, Referenz zu Messung (x%1)</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="41"/>
        <source>No patch with reference and measured values</source>
        <translation>Kein Feld mit Referenz- und Messwerten</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="42"/>
        <source>patches</source>
        <translation>Felder</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="43"/>
        <source>share of the patches, %</source>
        <translation>Anteil der Felder, %</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="44"/>
        <source>before</source>
        <translation>vorher</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="45"/>
        <source>after</source>
        <translation>nachher</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="46"/>
        <source>selected</source>
        <translation>Auswahl</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="47"/>
        <source>black: predicted after correction</source>
        <translation>schwarz: nach Korrektur</translation>
    </message>
    <message>
        <location filename="../ui/plots/PlotsWidget.cpp" line="48"/>
        <source>maximum limit %1</source>
        <translation>Grenzwert Maximum %1</translation>
    </message>
</context>
<context>
    <name>ToleranceDialog</name>
    <message>
        <location filename="../ui/ToleranceDialog.cpp" line="32"/>
        <source>Tolerances</source>
        <translation>Toleranzen</translation>
    </message>
    <message>
        <location filename="../ui/ToleranceDialog.cpp" line="35"/>
        <source>The limits the verdict uses, in the Delta E chosen in the View menu. Vestrel&apos;s own defaults (%1, %2, %3) follow no standard: set what you agreed with your customer.</source>
        <translation>Die Grenzwerte für die Bewertung, im Delta E, das im Menü Ansicht gewählt ist. Die Vorgaben von Vestrel (%1, %2, %3) folgen keiner Norm: Stellen Sie ein, was Sie mit Ihrem Kunden vereinbart haben.</translation>
    </message>
    <message>
        <location filename="../ui/ToleranceDialog.cpp" line="47"/>
        <source>Mean of all patches</source>
        <translation>Mittelwert aller Felder</translation>
    </message>
    <message>
        <location filename="../ui/ToleranceDialog.cpp" line="48"/>
        <source>Largest of all patches</source>
        <translation>Größter Wert aller Felder</translation>
    </message>
    <message>
        <location filename="../ui/ToleranceDialog.cpp" line="49"/>
        <source>Mean of near-neutral patches (C*ab &lt; %1)</source>
        <translation>Mittelwert der nahezu neutralen Felder (C*ab &lt; %1)</translation>
    </message>
</context>
<context>
    <name>VerdictPanel</name>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="33"/>
        <source>before</source>
        <translation>vorher</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="33"/>
        <source>after</source>
        <translation>nachher</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="47"/>
        <source>Pass or fail per limit (View &gt; Tolerances...). After: as predicted through the corrected profile. Near-neutral: patches whose reference has C*ab below %1.</source>
        <translation>Erfüllt oder verfehlt, je Grenzwert (Ansicht &gt; Toleranzen...). Nachher: wie durch das korrigierte Profil vorhergesagt. Nahezu neutral: Felder, deren Referenz ein C*ab unter %1 hat.</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="57"/>
        <source>mean</source>
        <translation>Mittel</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="57"/>
        <source>maximum</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="57"/>
        <source>neutral mean</source>
        <translation>Neutral-Mittel</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="59"/>
        <source>%1 ≤ %2</source>
        <translation>%1 ≤ %2</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="73"/>
        <source>pass</source>
        <translation>erfüllt</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="73"/>
        <source>fail</source>
        <translation>verfehlt</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="84"/>
        <source>Figures over the 1 measured patch only</source>
        <translation>Werte nur über das 1 gemessene Feld</translation>
    </message>
    <message>
        <location filename="../ui/VerdictPanel.cpp" line="85"/>
        <source>Figures over the %1 measured patches only</source>
        <translation>Werte nur über die %1 gemessenen Felder</translation>
    </message>
</context>
</TS>
