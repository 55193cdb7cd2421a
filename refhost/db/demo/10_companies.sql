-- Demo data, run in the order of the file names before the books and the declarations
-- are computed (refhost/db/demo.cpp). Dates are day numbers as the schema keeps them.

-- Users
insert into UZYTKOWNICY (id_uzytkownika, id_uzyt, nazwa) values
    (1, 'ADMIN', 'Administrator systemu'),
    (7, 'ANOWAK', 'Anna Nowak'),
    (8, 'JWOJCIK', 'Jerzy Wójcik');

-- Tax and customs offices
insert into URZEDY (ID_URZEDU, NAZWA, ULICA, NR_DOMU, MIEJSCOWOSC, KOD_POCZTOWY, KOD_URZEDU) values
    (1, 'Pierwszy Urząd Skarbowy w Poznaniu', 'ul. Dolna Wilda', '80', 'Poznań', '61-501', '3021'),
    (2, 'Drugi Urząd Skarbowy w Poznaniu', 'ul. Chłapowskiego', '29', 'Poznań', '60-965', '3022'),
    (3, 'Urząd Skarbowy Poznań-Jeżyce', 'ul. Dąbrowskiego', '13', 'Poznań', '60-838', '3027'),
    (4, 'Pierwszy Urząd Skarbowy w Gdańsku', 'ul. Długie Ogrody', '8/10', 'Gdańsk', '80-765', '2201'),
    (5, 'Urząd Skarbowy w Sopocie', 'ul. 23 Marca', '9/11', 'Sopot', '81-820', '2213'),
    (6, 'Pomorski Urząd Celno-Skarbowy w Gdyni', 'ul. Pułaskiego', '6', 'Gdynia', '81-368', '2271');

-- Companies: 1 a mill, 2 a shipyard, 3 a pottery without books
insert into FIRMA (id_firmy, nip, rodzaj_platnika, nazwa, nazwa_pelna, regon, KWARTALNY_PDO, id_us) values
    (1, '7781234563', 1, 'Młyn Pszenica', 'Młyn Zbożowy „Pszenica” Spółka z ograniczoną odpowiedzialnością', '630123456', 0, 3),
    (2, '5832345686', 1, 'Stocznia Żagiel', 'Bałtycka Stocznia Jachtowa „Żagiel” Spółka Akcyjna', '190876549', 1, 0),
    (3, '8663456780', 1, 'Pracownia Ćmielów', 'Pracownia Ceramiki Artystycznej „Ćmielów-Art” sp. z o.o.', '260112230', 0, 0);

-- Seats (S) and correspondence addresses (K); company 1 moved its seat in July 2015
insert into ADRESY_FIRMY (ID_ADRESY_FIRMY, ID_FIRMY, TYP_ADRESU, DATA_OD, wojewodztwo, powiat, gmina, ULICA, NR_DOMU, NR_LOKALU, MIEJSCOWOSC, KOD_POCZTOWY, POCZTA) values
    (1, 1, 'S', 76340, 'WIELKOPOLSKIE', 'Poznań', 'Poznań', 'ul. Głogowska', '12', '', 'Poznań', '60-734', 'Poznań'),
    (2, 1, 'S', 78347, 'WIELKOPOLSKIE', 'Poznań', 'Poznań', 'ul. Święty Marcin', '29', '4', 'Poznań', '61-806', 'Poznań'),
    (3, 1, 'K', 77191, 'WIELKOPOLSKIE', 'poznański', 'Swarzędz', 'ul. Rynek', '1', '', 'Swarzędz', '62-020', 'Swarzędz'),
    (4, 2, 'S', 77130, 'POMORSKIE', 'Gdańsk', 'Gdańsk', 'ul. Długa', '45', '2', 'Gdańsk', '80-827', 'Gdańsk'),
    (5, 2, 'S', 78545, 'POMORSKIE', 'Gdańsk', 'Gdańsk', 'ul. Marynarki Polskiej', '100', '', 'Gdańsk', '80-557', 'Gdańsk'),
    (6, 2, 'K', 77952, 'POMORSKIE', 'Sopot', 'Sopot', 'ul. Bohaterów Monte Cassino', '53', '7', 'Sopot', '81-767', 'Sopot');

-- Offices of the companies, with the day each became competent
insert into URZEDY_FIRMY (ID_URZEDY_FIRMY, ID_FIRMY, ID_URZEDU, TYP_URZEDU, DATA_OD) values
    (1, 1, 1, 'US', 76340),
    (2, 1, 3, 'US', 78347),
    (3, 1, 6, 'UC', 76340),
    (4, 2, 4, 'US', 77130),
    (5, 2, 5, 'US', 78545),
    (6, 2, 6, 'UC', 77130);

-- Small taxpayer status by year
insert into MALY_PODATNIK (id_firmy, rok, stan) values
    (2, 2017, 1),
    (1, 2017, 0);

-- Fiscal years: calendar years for company 1, April to March for company 2
insert into LATA_OBROTOWE (id_lata_obrotowe, id_firmy, poczatek_roku, koniec_roku, rok_obrotowy) values
    (1, 1, 77801, 78165, '2014'),
    (2, 1, 78166, 78530, '2015'),
    (3, 1, 78531, 78896, '2016'),
    (4, 1, 78897, 79261, '2017'),
    (5, 2, 77891, 78255, '2014/2015'),
    (6, 2, 78256, 78621, '2015/2016'),
    (7, 2, 78622, 78986, '2016/2017'),
    (8, 2, 78987, 79351, '2017/2018');

-- Branches
insert into FIRMA_ODDZIAL (ID_FIRMA_ODDZIAL, ID_FIRMY, NAZWA, NAZWA_PELNA, REGON, NIP, DATA_ROZP_DZIAL, KRAJ, WOJEWODZTWO, POWIAT, GMINA, GMINA_KOD, ULICA, NRDOMU, NRLOKALU, MIEJSCOWOSC, KODPOCZTOWY, POCZTA, ZATRUDNIONYCH) values
    (1, 1, 'Magazyn zbożowy Poznań', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Poznań', '63010000110000', '778-123-45-63', 75609, 'Polska', 'WIELKOPOLSKIE', 'Poznań', 'Poznań', '3064011', 'ul. Gdańska', '1', '1', 'Poznań', '61-131', 'Poznań', 62),
    (2, 1, 'Skład mąki Gniezno', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Gniezno', '63010037210001', '778-123-45-63', 76007, 'Polska', 'WIELKOPOLSKIE', 'gnieźnieński', 'Gniezno', '3003011', 'ul. Chrobrego', '8', '', 'Gniezno', '62-200', 'Gniezno', 31),
    (3, 1, 'Punkt skupu Opatówek', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Opatówek', '63010074510002', '778-123-45-63', 76401, 'Polska', 'WIELKOPOLSKIE', 'kaliski', 'Opatówek', '3007062', 'ul. Kościuszki', '15', '', 'Opatówek', '62-860', 'Opatówek', 54),
    (4, 1, 'Piekarnia firmowa Ślesin', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Ślesin', '63010111810003', '778-123-45-63', 76798, 'Polska', 'WIELKOPOLSKIE', 'koniński', 'Ślesin', '3010113', 'ul. Kleczewska', '22', '4', 'Ślesin', '62-561', 'Ślesin', 27),
    (5, 1, 'Hurtownia Rydzyna', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Rydzyna', '63010148910004', '778-123-45-63', 77195, 'Polska', 'WIELKOPOLSKIE', 'leszczyński', 'Rydzyna', '3013063', 'ul. Dworcowa', '29', '', 'Rydzyna', '64-130', 'Rydzyna', 47),
    (6, 1, 'Magazyn zbożowy Wyrzysk', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Wyrzysk', '63010185110005', '778-123-45-63', 77592, 'Polska', 'WIELKOPOLSKIE', 'pilski', 'Wyrzysk', '3019083', 'ul. Kościelna', '36', '', 'Wyrzysk', '89-300', 'Wyrzysk', 27),
    (7, 1, 'Skład mąki Środa Wielkopolska', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Środa Wielkopolska', '63010222410006', '778-123-45-63', 77988, 'Polska', 'WIELKOPOLSKIE', 'średzki', 'Środa Wielkopolska', '3025053', 'ul. Żwirki i Wigury', '43', '7', 'Środa Wielkopolska', '63-000', 'Środa Wielkopolska', 37),
    (8, 1, 'Punkt skupu Września', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Września', '63010259510007', '778-123-45-63', 78385, 'Polska', 'WIELKOPOLSKIE', 'wrzesiński', 'Września', '3030053', 'ul. Jagiellońska', '50', '', 'Września', '62-300', 'Września', 4),
    (9, 1, 'Piekarnia firmowa Śmigiel', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Śmigiel', '63010296810008', '778-123-45-63', 75861, 'Polska', 'WIELKOPOLSKIE', 'kościański', 'Śmigiel', '3011053', 'ul. Leszczyńska', '57', '', 'Śmigiel', '64-030', 'Śmigiel', 20),
    (10, 1, 'Hurtownia Rogoźno', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Rogoźno', '63010333010009', '778-123-45-63', 76257, 'Polska', 'WIELKOPOLSKIE', 'obornicki', 'Rogoźno', '3016033', 'ul. Wągrowiecka', '64', '10', 'Rogoźno', '64-610', 'Rogoźno', 25),
    (11, 1, 'Magazyn zbożowy Bydgoszcz', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Bydgoszcz', '63010370310010', '778-123-45-63', 76654, 'Polska', 'KUJAWSKO-POMORSKIE', 'Bydgoszcz', 'Bydgoszcz', '0461011', 'ul. Żeglarska', '71', '', 'Bydgoszcz', '85-012', 'Bydgoszcz', 43),
    (12, 1, 'Skład mąki Kruszwica', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Kruszwica', '63010407410011', '778-123-45-63', 77050, 'Polska', 'KUJAWSKO-POMORSKIE', 'inowrocławski', 'Kruszwica', '0407053', 'ul. Poznańska', '78', '', 'Kruszwica', '88-150', 'Kruszwica', 6),
    (13, 1, 'Punkt skupu Zielona Góra', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Zielona Góra', '63010444710012', '778-123-45-63', 77082, 'Polska', 'LUBUSKIE', 'Zielona Góra', 'Zielona Góra', '0862011', 'ul. Bohaterów Westerplatte', '85', '13', 'Zielona Góra', '65-001', 'Zielona Góra', 43),
    (14, 1, 'Piekarnia firmowa Zbąszynek', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Zbąszynek', '63010481010013', '778-123-45-63', 77480, 'Polska', 'LUBUSKIE', 'świebodziński', 'Zbąszynek', '0809062', 'ul. Łąkowa', '92', '', 'Zbąszynek', '66-210', 'Zbąszynek', 55),
    (15, 1, 'Hurtownia Wrocław', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Wrocław', '63010518010014', '778-123-45-63', 77874, 'Polska', 'DOLNOŚLĄSKIE', 'Wrocław', 'Wrocław', '0264011', 'ul. Świdnicka', '99', '', 'Wrocław', '50-001', 'Wrocław', 35),
    (16, 1, 'Magazyn zbożowy Żmigród', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Żmigród', '63010555310015', '778-123-45-63', 78271, 'Polska', 'DOLNOŚLĄSKIE', 'milicki', 'Żmigród', '0216073', 'ul. Kolejowa', '106', '16', 'Żmigród', '55-140', 'Żmigród', 24),
    (17, 1, 'Skład mąki Żychlin', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Żychlin', '63010592610016', '778-123-45-63', 75746, 'Polska', 'ŁÓDZKIE', 'kutnowski', 'Żychlin', '1002103', 'ul. Narutowicza', '113', '', 'Żychlin', '99-320', 'Żychlin', 46),
    (18, 1, 'Punkt skupu Łódź', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Łódź', '63010629710017', '778-123-45-63', 76143, 'Polska', 'ŁÓDZKIE', 'Łódź', 'Łódź', '1061011', 'ul. Piotrkowska', '120', '', 'Łódź', '90-001', 'Łódź', 17),
    (19, 1, 'Piekarnia firmowa Gdańsk', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Gdańsk', '63010666010018', '778-123-45-63', 76539, 'Polska', 'POMORSKIE', 'Gdańsk', 'Gdańsk', '2261011', 'ul. Grunwaldzka', '7', '19', 'Gdańsk', '80-001', 'Gdańsk', 12),
    (20, 1, 'Hurtownia Warszawa', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Warszawa', '63010703210019', '778-123-45-63', 76936, 'Polska', 'MAZOWIECKIE', 'Warszawa', 'Warszawa', '1465011', 'ul. Marszałkowska', '14', '', 'Warszawa', '00-001', 'Warszawa', 53),
    (21, 1, 'Magazyn zbożowy Szczecin', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Szczecin', '63010740510020', '778-123-45-63', 77334, 'Polska', 'ZACHODNIOPOMORSKIE', 'Szczecin', 'Szczecin', '3262011', 'ul. Wały Chrobrego', '21', '', 'Szczecin', '70-001', 'Szczecin', 13),
    (22, 1, 'Skład mąki Głuchołazy', 'Młyn Zbożowy „Pszenica” Sp. z o.o. – oddział Głuchołazy', '63010777610021', '778-123-45-63', 77730, 'Polska', 'OPOLSKIE', 'nyski', 'Głuchołazy', '1609033', 'ul. Jagiellońska', '28', '22', 'Głuchołazy', '48-340', 'Głuchołazy', 34),
    (23, 2, 'Przystań Hel', 'Bałtycka Stocznia Jachtowa „Żagiel” S.A. – Przystań Hel', '190876549', '5832345686', 77556, 'Polska', 'POMORSKIE', 'pucki', 'Hel', '2211011', 'ul. Portowa', '5', '', 'Hel', '84-150', 'Hel', 14),
    (24, 2, 'Warsztat Elbląg', 'Bałtycka Stocznia Jachtowa „Żagiel” S.A. – Warsztat Elbląg', '190876549', '5832345686', 77556, 'Polska', 'WARMIŃSKO-MAZURSKIE', 'Elbląg', 'Elbląg', '2861011', 'ul. Stoczniowa', '5', '', 'Elbląg', '82-300', 'Elbląg', 14);

-- The branches user 7 marked in the branch chooser (list 56)
insert into ZAZNACZENIE (id_browsera, id_uzytkownika, id_elementu) values
    (56, 7, 1),
    (56, 7, 2),
    (56, 7, 3),
    (56, 7, 4),
    (56, 7, 5),
    (56, 7, 6),
    (56, 7, 7),
    (56, 7, 8),
    (56, 7, 9),
    (56, 7, 10),
    (56, 7, 11),
    (56, 7, 12),
    (56, 7, 13),
    (56, 7, 14),
    (56, 7, 15),
    (56, 7, 16),
    (56, 7, 17),
    (56, 7, 18),
    (56, 7, 19);
