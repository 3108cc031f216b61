<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" tiledversion="1.8.2" name="ISLAND" tilewidth="32" tileheight="32" tilecount="8" columns="3">
 <image source="ISLAND-2.png" width="96" height="96"/>
 <tile id="0">
  <properties>
   <property name="celltype" value="0000255"/>
   <property name="blocks" type="bool" value="true"/>
  </properties>
 </tile>
 <tile id="1">
  <properties>
   <property name="celltype" value="255200123"/>
  </properties>
 </tile>
 <tile id="2">
  <properties>
   <property name="celltype" value="255200113"/>
  </properties>
 </tile>
 <tile id="3">
  <properties>
   <property name="celltype" value="255200120"/>
  </properties>
 </tile>
 <tile id="4">
  <properties>
   <property name="celltype" value="0128000"/>
  </properties>
 </tile>
 <tile id="5">
  <properties>
   <property name="celltype" value="255200122"/>
  </properties>
 </tile>
 <tile id="6">
  <properties>
   <property name="celltype" value="255200112"/>
  </properties>
 </tile>
 <tile id="7">
  <properties>
   <property name="celltype" value="0096000"/>
   <property name="blocks" type="bool" value="true"/>
  </properties>
 </tile>
</tileset>
